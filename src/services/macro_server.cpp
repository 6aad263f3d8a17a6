#include "services/macro_server.h"

#include <QFileInfo>

#include "model/debug_log.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "protocol/command_table.h"
#include "services/dde_macro.h"

namespace zul {

MacroServer::MacroServer(DebugLog& log, ErrorSink& errors, QObject* parent)
    : QObject(parent), log_(log), errors_(errors) {
    channel_.received = [this](const QString& text, qsizetype size) {
        guarded(errors_, [&] { SystemExecuteMacro(macroLines(text), size); });
    };
}

bool MacroServer::open(const QString& service, const QString& busAddress) {
    const QString error = channel_.open(service, busAddress);
    if (!error.isEmpty()) {
        log_.add(
            QStringLiteral("[DDE] %1。ほかのプログラムからのマクロは受け付けません。").arg(error));
        return false;
    }
    log_.add(QStringLiteral("[DDE] マクロを受け付けます（D-Bus %1 %2 %3.Execute）")
                 .arg(service, QLatin1String(MacroChannel::kObjectPath),
                      QLatin1String(MacroChannel::kInterface)));
    return true;
}

void MacroServer::SystemExecuteMacro(const QStringList& lines, qsizetype receivedChars) {
    const QString text = macroBufferText(lines);
    const qsizetype joined = lines.join(QLatin1String("\r\n")).size();
    const qsizetype size = std::max(receivedChars, joined);
    if (size > text.size() && size > kMacroBufferChars) {
        log_.add(QStringLiteral("[DDE] マクロが%1文字あるため、先頭%2文字だけを使います。")
                     .arg(size)
                     .arg(text.size()));
    }
    const Macro macro = parseMacro(text);
    log_.add(QStringLiteral("[DDE] 受信: cmd=%1 / op=%2").arg(macro.commandWord, macro.operand));
    run(macro);
}

void MacroServer::run(const Macro& m) {
    auto call = [](const std::function<void()>& action) {
        if (action) {
            action();
        }
    };
    switch (m.command) {
        case MacroCommand::RunServerWithFileset:
            call(actions_.startDisplayRole);
            executeWithFileName(static_cast<char>(Cmd::CmdFileSetLoad), m.operand);
            break;
        case MacroCommand::SendCmd:
            if (actions_.executePacket) {
                actions_.executePacket(packetText(m.operand));
            }
            break;
        case MacroCommand::RunServerWithFile:
            loadSettings(m.operand);
            call(actions_.startDisplayRole);
            break;
        case MacroCommand::RunClientWithFile:
            loadSettings(m.operand);
            call(actions_.startOperatorRole);
            break;
        case MacroCommand::OpenSetfile:
            loadSettings(m.operand);
            break;
        case MacroCommand::RunServer:
            call(actions_.startDisplayRole);
            break;
        case MacroCommand::RunClient:
            call(actions_.startOperatorRole);
            break;
        case MacroCommand::LoadWall:
            executeWithFileName(static_cast<char>(Cmd::CmdWallpaper), m.operand);
            break;
        case MacroCommand::LoadFileset:
            executeWithFileName(static_cast<char>(Cmd::CmdFileSetLoad), m.operand);
            break;
        case MacroCommand::Unknown:
            log_.add(QStringLiteral("[DDE] 不明なマクロのため何もしません: %1").arg(m.commandWord));
            break;
    }
}

QByteArray MacroServer::packetText(const QString& text) {
    int unmappable = 0;
    QByteArray bytes = cp932::encode(text, &unmappable);
    if (unmappable > 0) {
        log_.add(
            QStringLiteral("[DDE] シフトJISにない文字 %1 個を「?」にしました。").arg(unmappable));
    }
    return bytes;
}

void MacroServer::loadSettings(const QString& path) {
    // The settings reader takes a missing file as an empty one; say so, since a macro's
    // caller sees nothing of it.
    if (!QFileInfo::exists(path)) {
        log_.add(QStringLiteral("[DDE] 設定ファイルがありません: %1").arg(path));
    }
    if (actions_.loadSettingsFile) {
        actions_.loadSettingsFile(path);
    }
}

void MacroServer::executeWithFileName(char commandByte, const QString& path) {
    // The display machine looks the name up in its base directory, whatever folder the
    // path named.
    if (actions_.executePacket) {
        actions_.executePacket(QByteArray(1, commandByte) + packetText(macroFileName(path)));
    }
}

}  // namespace zul
