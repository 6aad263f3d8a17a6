#include "ctl/ctl_request.h"

#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/cp932.h"
#include "protocol/packets.h"

namespace zul::ctl {
namespace {

constexpr std::array kHelp{
    CommandHelp{"caption 文字列...", "文字列を文字枠に表示する（複数の語は空白でつなぐ）",
                "zulctl caption 'ようこそ　開会式へ'"},
    CommandHelp{"caption --stop", "文字枠のスクロールを止める", "zulctl caption --stop"},
    CommandHelp{"show ファイル", "表示機の基本ディレクトリにあるファイルを背景に表示する",
                "zulctl show photo.jpg"},
    CommandHelp{"fade 値", "表示の不透明度を設定する：0（カバー）～255（表示内容）",
                "zulctl fade 255"},
    CommandHelp{"part 名前 値 [文字色 背景色]",
                "部品の値を設定する。色は10進の色値か #RRGGBB、'' ならその色は変えない",
                "zulctl part Score 3 '#ff0000' ''"},
    CommandHelp{"parts", "部品の一覧を出力する：名前、値、文字色、背景色", "zulctl parts"},
    CommandHelp{"files [マスク]",
                "基本ディレクトリのファイルの一覧と、最後にそのフォルダを出力する",
                "zulctl files '*.jpg'"},
    CommandHelp{"log", "表示機のログを出力する", "zulctl log"},
    CommandHelp{"cpu", "表示機のCPU負荷率（%）を出力する", "zulctl cpu"},
    CommandHelp{"font", "文字枠の設定を出力する", "zulctl --json font"},
    CommandHelp{"load-fileset 名前", "ファイルセット（.rf1）を読み込む",
                "zulctl load-fileset show.rf1"},
    CommandHelp{"next", "スライドショーを次へ進める", "zulctl next"},
    CommandHelp{"prev", "スライドショーを前へ戻す", "zulctl prev"},
    CommandHelp{"start", "開いているプレゼンテーションのスライドショーを始める", "zulctl start"},
    CommandHelp{"stop", "スライドショーを終える", "zulctl stop"},
    CommandHelp{"send 識別子 [オペランド...]",
                "任意のコマンドを識別子（下の一覧）で送り、すべての応答を出力する",
                "zulctl send CmdPartsShow"},
    CommandHelp{"script ファイル",
                "字幕の原稿を1行ずつ送る：Enter で次の行を送り、q で終える。<-- で始まる行は"
                "メモなので送らない",
                "printf '\\n\\n' | zulctl script opening.txt"},
};

struct Failure {
    QString message;
};

template <typename T>
using Parsed = std::variant<T, Failure>;

// One line of text from the terminal as a packet operand, in code page 932.
Parsed<QByteArray> operandText(const QString& text, const QString& what, int& unmappable) {
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        return Failure{QStringLiteral("%1に改行は使えません").arg(what)};
    }
    int lost = 0;
    QByteArray bytes = cp932::encode(text, &lost);
    if (bytes.size() > kMaxOperandBytes) {
        return Failure{QStringLiteral("%1がシフトJISで%2バイトあります。1パケットに入るのは"
                                      "%3バイトまでです")
                           .arg(what)
                           .arg(bytes.size())
                           .arg(kMaxOperandBytes)};
    }
    unmappable += lost;
    return bytes;
}

// A colour of a part: empty (unchanged), a decimal colour value, or #RRGGBB.
Parsed<QByteArray> colourText(const QString& text) {
    if (text.isEmpty()) {
        return QByteArray();
    }
    static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
    if (const QRegularExpressionMatch m = hex.match(text); m.hasMatch()) {
        const uint rgb = m.captured(1).toUInt(nullptr, 16);
        const uint value = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
        return QByteArray::number(value);
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok) {
        return Failure{QStringLiteral("色「%1」は10進の色値でも #RRGGBB でもありません").arg(text)};
    }
    return QByteArray::number(value);
}

Parsed<int> portNumber(const QString& text, const QString& what) {
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        return Failure{
            QStringLiteral("%1 の「%2」はポート番号（1～65535）ではありません").arg(what, text)};
    }
    return port;
}

Parsed<std::chrono::milliseconds> timeoutValue(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0) {
        return Failure{QStringLiteral("--timeout の「%1」は秒数ではありません").arg(text)};
    }
    const double ms =
        std::clamp(seconds * 1000.0, double(kMinTimeout.count()), double(kMaxTimeout.count()));
    return std::chrono::milliseconds(static_cast<qint64>(ms));
}

// The row named by `text`: its identifier in any case, with or without the "Cmd" prefix.
const CommandInfo* commandByLooseIdentifier(const QString& text) {
    for (const CommandInfo& row : commandTable()) {
        const QString id = identifierText(row);
        if (text.compare(id, Qt::CaseInsensitive) == 0 ||
            text.compare(id.mid(3), Qt::CaseInsensitive) == 0) {
            return &row;
        }
    }
    return nullptr;
}

// Builds the packets of `command` with its arguments into `r`.
class CommandBuilder {
public:
    explicit CommandBuilder(Request& r) : r_(r) {}

    std::optional<Failure> build(const QString& command, const QStringList& args);

private:
    std::optional<Failure> count(const QString& command, const QStringList& args, int least,
                                 int most) const;
    std::optional<Failure> add(Cmd cmd, const QByteArray& operand = {}) {
        r_.packets << makePacket(cmd, operand);
        r_.command = cmd;
        return std::nullopt;
    }
    // Adds a packet whose operand is `text`, or gives the failure.
    std::optional<Failure> addText(Cmd cmd, const QString& text, const QString& what) {
        Parsed<QByteArray> operand = operandText(text, what, r_.unmappable);
        if (auto* f = std::get_if<Failure>(&operand)) {
            return *f;
        }
        return add(cmd, std::get<QByteArray>(operand));
    }
    std::optional<Failure> caption(const QStringList& args);
    std::optional<Failure> fade(const QStringList& args);
    std::optional<Failure> part(const QStringList& args);
    std::optional<Failure> send(const QStringList& args);

    Request& r_;
};

std::optional<Failure> CommandBuilder::count(const QString& command, const QStringList& args,
                                             int least, int most) const {
    const auto n = args.size();
    if (n >= least && n <= most) {
        return std::nullopt;
    }
    for (const CommandHelp& h : kHelp) {
        const QString synopsis = QString::fromUtf8(h.synopsis.data(), qsizetype(h.synopsis.size()));
        if (synopsis.section(QLatin1Char(' '), 0, 0) == command) {
            return Failure{QStringLiteral("使い方: zulctl %1").arg(synopsis)};
        }
    }
    return Failure{QStringLiteral("%1 の引数の数が違います").arg(command)};
}

std::optional<Failure> CommandBuilder::caption(const QStringList& args) {
    if (args == QStringList{QStringLiteral("--stop")}) {
        return add(Cmd::CmdLineUpdateStop);
    }
    if (auto f = count(QStringLiteral("caption"), args, 1, INT_MAX)) {
        return f;
    }
    return addText(Cmd::CmdLineUpdate, args.join(QLatin1Char(' ')),
                   QStringLiteral("文字枠の文字列"));
}

std::optional<Failure> CommandBuilder::fade(const QStringList& args) {
    if (auto f = count(QStringLiteral("fade"), args, 1, 1)) {
        return f;
    }
    bool ok = false;
    const int opacity = args[0].toInt(&ok);
    if (!ok || opacity < 0 || opacity > 255) {
        return Failure{
            QStringLiteral("fade: 不透明度「%1」は0～255の整数で指定します").arg(args[0])};
    }
    return add(Cmd::CmdFade, QByteArray::number(opacity));
}

std::optional<Failure> CommandBuilder::part(const QStringList& args) {
    if (args.size() != 2) {
        if (auto f = count(QStringLiteral("part"), args, 4, 4)) {
            return f;
        }
    }
    if (args[0].isEmpty()) {
        return Failure{QStringLiteral("part: 部品名が空です")};
    }
    QByteArray operand;
    for (int i = 0; i < 2; ++i) {
        const QString what = i == 0 ? QStringLiteral("部品名") : QStringLiteral("値");
        if (args[i].contains(QLatin1Char(','))) {
            return Failure{QStringLiteral("part: %1にカンマは使えません").arg(what)};
        }
        Parsed<QByteArray> text = operandText(args[i], what, r_.unmappable);
        if (auto* f = std::get_if<Failure>(&text)) {
            return *f;
        }
        operand += std::get<QByteArray>(text) + ',';
    }
    for (int i = 2; i < 4; ++i) {
        Parsed<QByteArray> colour = colourText(i < args.size() ? args[i] : QString());
        if (auto* f = std::get_if<Failure>(&colour)) {
            return *f;
        }
        operand += std::get<QByteArray>(colour);
        if (i == 2) {
            operand += ',';
        }
    }
    if (operand.size() > kMaxOperandBytes) {
        return Failure{QStringLiteral("part: 部品名と値が長すぎて1パケットに入りません")};
    }
    return add(Cmd::CmdPartUpdate, operand);
}

std::optional<Failure> CommandBuilder::send(const QStringList& args) {
    if (auto f = count(QStringLiteral("send"), args, 1, INT_MAX)) {
        return f;
    }
    const CommandInfo* info = commandByLooseIdentifier(args[0]);
    if (info == nullptr) {
        return Failure{QStringLiteral("send: 「%1」はコマンド識別子ではありません（一覧は "
                                      "zulctl --help）")
                           .arg(args[0])};
    }
    r_.shape = ReplyShape::Any;
    return addText(info->cmd, args.mid(1).join(QLatin1Char(' ')), QStringLiteral("オペランド"));
}

std::optional<Failure> CommandBuilder::build(const QString& command, const QStringList& args) {
    struct Simple {
        const char* name;
        Cmd cmd;
        ReplyShape shape;
        const char* operand;
    };
    static constexpr Simple kSimple[] = {
        {"parts", Cmd::CmdListSend, ReplyShape::Parts, ""},
        {"log", Cmd::CmdDebugLog, ReplyShape::Log, ""},
        {"cpu", Cmd::CmdCpuLoadRequest, ReplyShape::Cpu, ","},
        {"font", Cmd::CmdFontRequest, ReplyShape::Caption, ""},
        {"next", Cmd::CmdPptNext, ReplyShape::None, ""},
        {"prev", Cmd::CmdPptPageUp, ReplyShape::None, ""},
        {"start", Cmd::CmdPptStart, ReplyShape::None, ""},
        {"stop", Cmd::CmdPptStop, ReplyShape::None, ""},
    };
    for (const Simple& s : kSimple) {
        if (command == QLatin1String(s.name)) {
            if (auto f = count(command, args, 0, 0)) {
                return f;
            }
            r_.shape = s.shape;
            return add(s.cmd, s.operand);
        }
    }
    struct Named {
        const char* name;
        Cmd cmd;
        const char* what;
    };
    static constexpr Named kNamed[] = {
        {"show", Cmd::CmdWallpaper, "ファイル名"},
        {"load-fileset", Cmd::CmdFileSetLoad, "ファイルセット名"},
    };
    for (const Named& n : kNamed) {
        if (command == QLatin1String(n.name)) {
            if (auto f = count(command, args, 1, 1)) {
                return f;
            }
            if (args[0].isEmpty()) {
                return Failure{
                    QStringLiteral("%1: %2が空です").arg(command, QString::fromUtf8(n.what))};
            }
            return addText(n.cmd, args[0], QString::fromUtf8(n.what));
        }
    }
    if (command == QLatin1String("caption")) {
        return caption(args);
    }
    if (command == QLatin1String("fade")) {
        return fade(args);
    }
    if (command == QLatin1String("part")) {
        return part(args);
    }
    if (command == QLatin1String("files")) {
        if (auto f = count(command, args, 0, 1)) {
            return f;
        }
        r_.shape = ReplyShape::Files;
        return addText(Cmd::CmdDirListGet, args.value(0), QStringLiteral("マスク"));
    }
    if (command == QLatin1String("send")) {
        return send(args);
    }
    if (command == QLatin1String("script")) {
        if (auto f = count(command, args, 1, 1)) {
            return f;
        }
        r_.scriptFile = args[0];
        r_.command = Cmd::CmdLineUpdate;
        return std::nullopt;
    }
    return Failure{
        QStringLiteral("「%1」というコマンドはありません（一覧は zulctl --help）").arg(command)};
}

// Reads the option at args[i] (and its value) into `o`; false when args[i] is no option.
std::optional<Failure> readOption(const QStringList& args, qsizetype& i, Options& o, bool& taken) {
    const QString& a = args[i];
    taken = true;
    if (a == QLatin1String("--json")) {
        o.json = true;
        return std::nullopt;
    }
    for (const char* name : {"--host", "--port", "--timeout"}) {
        const QString option = QLatin1String(name);
        QString value;
        if (a == option) {
            if (i + 1 >= args.size()) {
                return Failure{QStringLiteral("%1 に値がありません").arg(option)};
            }
            value = args[++i];
        } else if (a.startsWith(option + QLatin1Char('='))) {
            value = a.mid(option.size() + 1);
        } else {
            continue;
        }
        if (option == QLatin1String("--host")) {
            if (value.isEmpty()) {
                return Failure{QStringLiteral("--host が空です")};
            }
            o.host = value;
        } else if (option == QLatin1String("--port")) {
            Parsed<int> port = portNumber(value, option);
            if (auto* f = std::get_if<Failure>(&port)) {
                return *f;
            }
            o.port = std::get<int>(port);
        } else {
            Parsed<std::chrono::milliseconds> t = timeoutValue(value);
            if (auto* f = std::get_if<Failure>(&t)) {
                return *f;
            }
            o.timeout = std::get<std::chrono::milliseconds>(t);
        }
        return std::nullopt;
    }
    taken = false;
    if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
        return Failure{QStringLiteral("「%1」というオプションはありません").arg(a)};
    }
    return std::nullopt;
}

}  // namespace

ParseResult parseArguments(const QStringList& args, const Environment& env) {
    Request r;
    if (const std::optional<QString> host = env("ZUL_HOST"); host && !host->isEmpty()) {
        r.options.host = *host;
    }
    if (const std::optional<QString> port = env("ZUL_PORT"); port && !port->isEmpty()) {
        Parsed<int> p = portNumber(*port, QStringLiteral("ZUL_PORT"));
        if (auto* f = std::get_if<Failure>(&p)) {
            return UsageError{f->message};
        }
        r.options.port = std::get<int>(p);
    }
    qsizetype i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            return ShowHelp{};
        }
        bool taken = false;
        if (std::optional<Failure> f = readOption(args, i, r.options, taken)) {
            return UsageError{f->message};
        }
        if (!taken) {
            break;
        }
    }
    if (i >= args.size()) {
        return UsageError{QStringLiteral("コマンドがありません（一覧は zulctl --help）")};
    }
    CommandBuilder builder(r);
    if (std::optional<Failure> f = builder.build(args[i], args.mid(i + 1))) {
        return UsageError{f->message};
    }
    return r;
}

std::span<const CommandHelp> commandHelp() {
    return kHelp;
}

QString helpText() {
    QString text = QStringLiteral(
        "使い方: zulctl [--host ホスト] [--port ポート] [--timeout 秒] [--json] コマンド "
        "[引数...]\n"
        "\n"
        "ZUL の表示機を、操作機と同じように TCP 接続で操作します。\n"
        "文字は UTF-8 で入出力し、表示機とはシフトJIS（コードページ932）でやりとりします。\n"
        "\n"
        "オプション（コマンドより前に書く）:\n"
        "  --host ホスト   表示機（既定は $ZUL_HOST、なければ localhost）\n"
        "  --port ポート   表示機の TCP ポート（既定は $ZUL_PORT、なければ 30000）\n"
        "  --timeout 秒    接続と応答を待つ秒数（既定は 10）\n"
        "  --json          応答を1行ずつ JSON で出力する\n"
        "\n"
        "コマンド:\n");
    for (const CommandHelp& h : kHelp) {
        text += QStringLiteral("  %1\n      %2\n      例: %3\n")
                    .arg(QString::fromUtf8(h.synopsis.data(), qsizetype(h.synopsis.size())),
                         QString::fromUtf8(h.summary.data(), qsizetype(h.summary.size())),
                         QString::fromUtf8(h.example.data(), qsizetype(h.example.size())));
    }
    text += QStringLiteral("\nコマンド識別子（send で使う）:\n");
    int column = 0;
    for (const CommandInfo& row : commandTable()) {
        text += QStringLiteral("  %1").arg(identifierText(row), -20);
        if (++column % 4 == 0) {
            text += QLatin1Char('\n');
        }
    }
    if (column % 4 != 0) {
        text += QLatin1Char('\n');
    }
    text += QStringLiteral(
        "\n終了コード: 0 完了、2 コマンド行の誤り、3 接続できない、4 時間内に応答がない\n");
    return text;
}

}  // namespace zul::ctl
