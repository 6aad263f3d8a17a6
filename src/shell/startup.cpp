#include "shell/startup.h"

#include <QFileInfo>

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "protocol/command_table.h"
#include "protocol/packet_executor.h"
#include "protocol/packets.h"
#include "services/settings_file.h"

namespace zul {
QString commandLineText(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' '));
}

void runStartup(const StartupContext& ctx, const QString& commandLine, const QString& startFolder) {
    ctx.settings.BaseDir.set(startFolder);
    if (!commandLine.isEmpty()) {
        guarded(ctx.errors, [&] { ctx.settingsFile.LoadSettingsFile(commandLine); });
        return;
    }
    const QString rd1 = joinBaseDir(startFolder, QStringLiteral("startup.rd1"));
    if (QFileInfo::exists(rd1)) {
        ctx.log.add(QStringLiteral("スタートアップ設定ファイルを読み込みます。"));
        guarded(ctx.errors, [&] { ctx.settingsFile.LoadSettingsFile(rd1); });
    }
    const QString rw1 = joinBaseDir(startFolder, QStringLiteral("startup.rw1"));
    if (QFileInfo::exists(rw1)) {
        ctx.log.add(QStringLiteral("スタートアップWebリストを読み込みます。"));
        guarded(ctx.errors, [&] {
            ctx.executor.ExecutePacket(
                makeInternalPacket(Cmd::CmdWebUpdateList, cp932::encode(rw1)), nullptr);
        });
    }
    const QString rf1 = joinBaseDir(startFolder, QStringLiteral("startup.rf1"));
    if (QFileInfo::exists(rf1)) {
        ctx.log.add(QStringLiteral("スタートアップファイルセットを読み込みます。"));
        guarded(ctx.errors, [&] {
            ctx.executor.ExecutePacket(makeInternalPacket(Cmd::CmdFileSetLoad, cp932::encode(rf1)),
                                       nullptr);
        });
    }
}

}  // namespace zul
