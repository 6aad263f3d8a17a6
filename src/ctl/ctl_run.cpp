#include "ctl/ctl_run.h"

#include <QFileInfo>

#include "ctl/answer.h"
#include "ctl/script_file.h"
#include "ctl/session.h"
#include "platform/cp932.h"
#include "platform/regular_file.h"
#include "protocol/packets.h"

namespace zul::ctl {
namespace {

void error(const Terminal& t, const QString& text) {
    t.err(QStringLiteral("zulctl: ") + text);
}

void warnUnmappable(const Terminal& t, int unmappable) {
    if (unmappable > 0) {
        error(t, QStringLiteral("シフトJISにない文字 %1 個を「?」にして送ります").arg(unmappable));
    }
}

// Sends one request and prints its answer.
int exchange(DisplaySession& session, const Request& r, const QByteArrayList& packets,
             const Terminal& t) {
    AnswerPrinter printer(r.shape, r.options.json);
    const auto outcome = session.exchange(
        packets, r.command,
        [&](const QByteArray& packet) {
            for (const QString& line : printer.take(packet)) {
                t.out(line);
            }
        },
        r.options.timeout);
    if (outcome != DisplaySession::Outcome::Complete) {
        error(t, outcomeText(outcome, r.options.host, r.options.port, r.options.timeout));
        return kExitNoAnswer;
    }
    for (const QString& line : printer.finish()) {
        t.out(line);
    }
    if (const std::optional<QString> missing = printer.missing()) {
        error(t, *missing);
        return kExitNoAnswer;
    }
    return kExitDone;
}

// Steps through the script: every line to send is shown and goes out on Enter; notes are
// passed over, queue markers shown as headings. "q" or the end of the input stops.
int runScript(DisplaySession& session, const Request& r, const QByteArrayList& lines,
              const Terminal& t) {
    Request line = r;
    line.shape = ReplyShape::None;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = terminalText(cp932::decode(lines[i]));
        const ScriptStep step = scriptStep(lines[i]);
        if (step == ScriptStep::Marker) {
            t.out(QStringLiteral("== %1").arg(text.mid(3)));
        }
        if (step != ScriptStep::Send) {
            continue;
        }
        t.out(QStringLiteral("%1> %2").arg(i + 1, 5).arg(text));
        const std::optional<QString> typed = t.readLine();
        if (!typed || typed->trimmed() == QLatin1String("q")) {
            return kExitDone;
        }
        const QByteArray packet =
            makePacket(Cmd::CmdLineUpdate, cp932::truncate(lines[i], kMaxOperandBytes));
        if (const int code = exchange(session, line, {packet}, t); code != kExitDone) {
            return code;
        }
    }
    t.out(QStringLiteral("（原稿の終わり）"));
    return kExitDone;
}

std::optional<QByteArrayList> readScript(const QString& path, const Terminal& t) {
    const FileReadResult file = readRegularFile(path, kMaxScriptBytes);
    if (!file.ok()) {
        error(t, QStringLiteral("原稿を読めません：%1（%2）").arg(path, file.reason));
        return std::nullopt;
    }
    int unmappable = 0;
    QByteArrayList lines = scriptLines(file.bytes, &unmappable);
    warnUnmappable(t, unmappable);
    return lines;
}

}  // namespace

int run(const QStringList& args, const Environment& env, const Terminal& t) {
    const ParseResult parsed = parseArguments(args, env);
    if (std::holds_alternative<ShowHelp>(parsed)) {
        for (const QString& line : helpText().split(QLatin1Char('\n'))) {
            t.out(line);
        }
        return kExitDone;
    }
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        error(t, usage->message);
        return kExitUsage;
    }
    const Request& r = std::get<Request>(parsed);
    std::optional<QByteArrayList> script;
    if (r.scriptFile) {
        script = readScript(*r.scriptFile, t);
        if (!script) {
            return kExitUsage;
        }
    }
    warnUnmappable(t, r.unmappable);
    DisplaySession session;
    if (const std::optional<QString> failure =
            session.open(r.options.host, r.options.port, r.options.timeout)) {
        error(t, *failure);
        return kExitNoConnection;
    }
    return script ? runScript(session, r, *script, t) : exchange(session, r, r.packets, t);
}

}  // namespace zul::ctl
