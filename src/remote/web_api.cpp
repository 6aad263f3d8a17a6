#include "remote/web_api.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/cp932.h"
#include "protocol/packets.h"
#include "protocol/script_rules.h"

namespace zul {
namespace {

// Bytes of a packet that the interpreter reads, command byte included.
constexpr qsizetype kPacketBytes = 259;

enum class OperandKind { Text, None, Number, PartUpdate };

OperandKind operandKind(Cmd cmd) {
    switch (cmd) {
        case Cmd::CmdIptalkHide:
        case Cmd::CmdListSend:
        case Cmd::CmdPartsClear:
        case Cmd::CmdLineUpdateStop:
        case Cmd::CmdDebugLog:
        case Cmd::CmdIptalkShow:
        case Cmd::CmdFontRequest:
        case Cmd::CmdPptNext:
        case Cmd::CmdPptStop:
        case Cmd::CmdPptStart:
        case Cmd::CmdPptPageUp:
        case Cmd::CmdPptPageDown:
        case Cmd::CmdPartsHide:
        case Cmd::CmdPartsShow:
        case Cmd::CmdWorksheetReceive:
            return OperandKind::None;
        case Cmd::CmdStretch:
        case Cmd::CmdAspect:
        case Cmd::CmdFade:
        case Cmd::CmdPptWidth:
        case Cmd::CmdSpeedUp:
        case Cmd::CmdHideDisplay:
        case Cmd::CmdCpuLoadReply:
        case Cmd::CmdCaptionPosition:
            return OperandKind::Number;
        case Cmd::CmdPartUpdate:
            return OperandKind::PartUpdate;
        default:
            return OperandKind::Text;
    }
}

bool isWholeNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]{1,9}$"));
    return number.match(text).hasMatch();
}

PacketRequest refused(const QString& message) {
    return PacketRequest{{}, message};
}

// The operand as text: a string, a whole number, or nothing.
std::optional<QString> operandText(const QJsonValue& value) {
    if (value.isUndefined() || value.isNull()) {
        return QString();
    }
    if (value.isString()) {
        return value.toString();
    }
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::abs(d) < 1e9) {
            return QString::number(static_cast<qint64>(d));
        }
    }
    return std::nullopt;
}

QString checkOperand(const QString& name, OperandKind kind, const QString& operand) {
    switch (kind) {
        case OperandKind::None:
            if (!operand.isEmpty()) {
                return QStringLiteral("%1 は operand を取りません。").arg(name);
            }
            break;
        case OperandKind::Number:
            if (!isWholeNumber(operand)) {
                return QStringLiteral("%1 の operand は整数です。").arg(name);
            }
            if (name == QLatin1String("CmdFade") &&
                (operand.toInt() < 0 || operand.toInt() > 255)) {
                return QStringLiteral("CmdFade の operand は 0 から 255 の整数です。");
            }
            break;
        case OperandKind::PartUpdate:
            if (operand.count(QLatin1Char(',')) != 3) {
                return QStringLiteral(
                    "CmdPartUpdate の operand "
                    "は「部品名,値,文字色,背景色」です（カンマはちょうど3つ。"
                    "色を変えないときは空にします）。");
            }
            break;
        case OperandKind::Text:
            break;
    }
    return {};
}

}  // namespace

PacketRequest parsePacketRequest(QByteArrayView json) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        return refused(QStringLiteral("要求がJSONのオブジェクトではありません。"));
    }
    const QJsonObject object = doc.object();
    const QJsonValue command = object.value(QLatin1String("command"));
    if (!command.isString()) {
        return refused(QStringLiteral("command（コマンド名）がありません。"));
    }
    const QString name = command.toString();
    const CommandInfo* info = commandByIdentifier(name);
    if (info == nullptr) {
        return refused(QStringLiteral("不明なコマンドです：%1").arg(name.left(64)));
    }
    const std::optional<QString> operand = operandText(object.value(QLatin1String("operand")));
    if (!operand) {
        return refused(QStringLiteral("operand は文字列か整数です。"));
    }
    if (operand->contains(QLatin1Char('\n')) || operand->contains(QLatin1Char('\r')) ||
        operand->contains(QChar(0))) {
        return refused(QStringLiteral("operand に改行やNUL文字は使えません。"));
    }
    const QString bad = checkOperand(name, operandKind(info->cmd), *operand);
    if (!bad.isEmpty()) {
        return refused(bad);
    }
    int unmappable = 0;
    const QByteArray bytes = cp932::encode(*operand, &unmappable);
    if (unmappable > 0) {
        return refused(
            QStringLiteral(
                "operand に表示機の文字コード（シフトJIS）で表せない文字が%1字あります。")
                .arg(unmappable));
    }
    if (1 + bytes.size() > kPacketBytes) {
        return refused(QStringLiteral("operand が長すぎます（%1バイト。最大%2バイト）。")
                           .arg(bytes.size())
                           .arg(kPacketBytes - 1));
    }
    return PacketRequest{makeInternalPacket(info->cmd, bytes), {}};
}

QByteArray repliesJson(QByteArrayView replyBytes) {
    QJsonArray replies;
    for (const QByteArray& packet : replyBytes.toByteArray().split('\n')) {
        if (packet.isEmpty()) {
            continue;
        }
        const CommandInfo* info = commandByByte(commandByteOf(packet));
        QJsonObject reply;
        reply.insert(QLatin1String("command"), info != nullptr ? identifierText(*info) : QString());
        reply.insert(QLatin1String("operand"), cp932::decode(packet.mid(1)));
        replies.append(reply);
    }
    QJsonObject answer;
    answer.insert(QLatin1String("replies"), replies);
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

std::vector<ScriptLine> scriptLines(QByteArrayView fileBytes, qsizetype maxLines) {
    std::vector<ScriptLine> lines;
    qsizetype start = 0;
    while (start < fileBytes.size() && std::ssize(lines) < maxLines) {
        qsizetype end = fileBytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? fileBytes.size() : end + 1;
        if (end < 0) {
            end = fileBytes.size();
        }
        QByteArrayView line = fileBytes.sliced(start, end - start);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        ScriptLine entry;
        entry.text = cp932::decode(line);
        entry.kind = isQueueMarker(line)   ? ScriptLineKind::Marker
                     : isCommentLine(line) ? ScriptLineKind::Note
                                           : ScriptLineKind::Send;
        lines.push_back(std::move(entry));
        start = next;
    }
    return lines;
}

QByteArray scriptJson(const std::vector<ScriptLine>& lines, bool truncated) {
    QJsonArray array;
    for (const ScriptLine& line : lines) {
        QJsonObject o;
        o.insert(QLatin1String("text"), line.text);
        o.insert(QLatin1String("kind"),
                 line.kind == ScriptLineKind::Marker ? QLatin1String("marker")
                 : line.kind == ScriptLineKind::Note ? QLatin1String("note")
                                                     : QLatin1String("send"));
        array.append(o);
    }
    QJsonObject answer;
    answer.insert(QLatin1String("lines"), array);
    answer.insert(QLatin1String("truncated"), truncated);
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

QString colourText(ColorValue colour) {
    return toQColor(colour).name(QColor::HexRgb);
}

QByteArray stateJson(const RemoteState& state, bool pushed) {
    QJsonObject caption;
    caption.insert(QLatin1String("text"), cp932::decode(state.caption));
    caption.insert(QLatin1String("scroll"), state.scroll);
    caption.insert(QLatin1String("hidden"), state.hidden);
    QJsonArray parts;
    for (const RemotePart& p : state.parts) {
        QJsonObject part;
        part.insert(QLatin1String("name"), cp932::decode(p.name));
        part.insert(QLatin1String("value"), cp932::decode(p.value));
        part.insert(QLatin1String("fontColour"), colourText(p.fontColour));
        part.insert(QLatin1String("backColour"), colourText(p.backColour));
        part.insert(QLatin1String("shown"), p.shown);
        parts.append(part);
    }
    QJsonObject o;
    if (pushed) {
        o.insert(QLatin1String("type"), QLatin1String("state"));
    }
    o.insert(QLatin1String("caption"), caption);
    o.insert(QLatin1String("background"), cp932::decode(state.background));
    o.insert(QLatin1String("baseDir"), state.baseDir);
    o.insert(QLatin1String("files"), QJsonArray::fromStringList(state.files));
    o.insert(QLatin1String("filesTruncated"), state.filesTruncated);
    o.insert(QLatin1String("parts"), parts);
    o.insert(QLatin1String("operators"), state.operators);
    o.insert(QLatin1String("opacity"), state.opacity);
    o.insert(QLatin1String("presentation"), state.presentation);
    o.insert(QLatin1String("status"), QJsonArray::fromStringList(state.status));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray errorJson(const QString& message) {
    QJsonObject o;
    o.insert(QLatin1String("error"), message);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool sameOrigin(QByteArrayView origin, QByteArrayView host) {
    if (origin.isEmpty()) {
        return true;
    }
    const QUrl url(QString::fromUtf8(origin));
    if (!url.isValid() || url.scheme() != QLatin1String("http") || host.isEmpty()) {
        return false;
    }
    const QString authority =
        url.port() < 0 ? url.host() : url.host() + QLatin1Char(':') + QString::number(url.port());
    return authority.compare(QString::fromUtf8(host).trimmed(), Qt::CaseInsensitive) == 0;
}

bool hostAllowed(QByteArrayView hostHeader, const QStringList& ownNames) {
    QString host = QString::fromLatin1(hostHeader).trimmed();
    if (host.isEmpty()) {
        return true;
    }
    if (host.startsWith(QLatin1Char('['))) {
        const qsizetype end = host.indexOf(QLatin1Char(']'));
        return end > 0 && !QHostAddress(host.mid(1, end - 1)).isNull();
    }
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool isPort = false;
        host.mid(colon + 1).toUShort(&isPort);
        if (!isPort) {
            return false;
        }
        host.truncate(colon);
    }
    if (host.endsWith(QLatin1Char('.'))) {
        host.chop(1);
    }
    if (!QHostAddress(host).isNull()) {
        return true;
    }
    for (const QString& name : ownNames) {
        if (!name.isEmpty() &&
            (host.compare(name, Qt::CaseInsensitive) == 0 ||
             host.compare(name + QLatin1String(".local"), Qt::CaseInsensitive) == 0)) {
            return true;
        }
    }
    return false;
}

bool keyMatches(const QString& offered, const QString& expected) {
    const QByteArray a = offered.toUtf8();
    const QByteArray b = expected.toUtf8();
    // Every byte of the longer text is looked at whatever the lengths, so the time taken
    // tells nothing of where the first difference lies.
    const qsizetype n = std::max(a.size(), b.size());
    unsigned diff = a.size() == b.size() ? 0U : 1U;
    for (qsizetype i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        diff |= static_cast<unsigned>(x ^ y);
    }
    return diff == 0U;
}

}  // namespace zul
