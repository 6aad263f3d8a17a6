#include "commands/loading_commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QScopeGuard>
#include <memory>

#include "commands/interpreter.h"
#include "content/file_set.h"
#include "display/Zul2_rdisp.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "protocol/operand_files.h"
#include "protocol/operand_scan.h"
#include "protocol/packets.h"
#include "services/settings_file.h"
#include "services/status_broadcaster.h"

namespace zul {
namespace {

constexpr int kWorksheetRows = 200;

class LoadingCommands {
public:
    LoadingCommands(Interpreter& interpreter, LoadingCommandContext ctx)
        : interpreter_(interpreter), c_(std::move(ctx)) {}

    QString resolve(const QByteArray& operand) const {
        return resolveName(c_.settings.BaseDir(), cp932::decode(operand));
    }

    // The path of a file that a peer named, refused (ZulError) unless it is of `kind`. An
    // absolute name is taken as it stands, any other from the base directory.
    QString peerFile(OperandFile kind, const QByteArray& name) const {
        return operandFilePath(kind, NameRule::AbsoluteOrJoin, c_.settings.BaseDir(), name);
    }

    // Loads a settings file that a packet named; the hub knows meanwhile that a packet asked.
    void loadSettingsFile(const QByteArray& name) {
        const QString path = peerFile(OperandFile::Settings, name);
        ++c_.hub.PacketSettingsLoads;
        const auto loaded = qScopeGuard([this] { --c_.hub.PacketSettingsLoads; });
        c_.settingsFile.LoadSettingsFile(path);
    }

    void settingsLoad(const QByteArray& operand) {
        loadSettingsFile(operand);
        c_.status.SendNotice(NoticeKind::DirectoryChanged);
    }

    // Fills the worksheet from the file; a file that is there but is not read (a FIFO, a
    // device) is logged, a missing one is passed over without a word.
    void loadWorksheet(const QString& path, const std::function<void()>& afterEachRow) {
        QString refusal;
        if (!c_.worksheet.loadFile(path, afterEachRow, &refusal) && !refusal.isEmpty()) {
            c_.log.add(QStringLiteral("ワークシートを読めません：%1（%2）").arg(path, refusal));
        }
    }

    void fileSetLoad(PacketContext& ctx) {
        QString reported = resolve(ctx.operand());
        try {
            const FileSet set = readFileSet(peerFile(OperandFile::FileSet, ctx.operand()));
            auto run = [&](Cmd cmd, const QByteArray& operand) {
                interpreter_.ExecutePacket(makeInternalPacket(cmd, operand), ctx.connection);
            };
            if (!set.SettingFile.isEmpty()) {
                // A relative settings file name is taken from the base directory, where the
                // file set editor offers it.
                loadSettingsFile(set.SettingFile);
            }
            if (!set.BackGround.isEmpty()) {
                const bool webList = set.BackGround.toLower().endsWith(".rw1");
                run(webList ? Cmd::CmdWebUpdateList : Cmd::CmdWallpaper, set.BackGround);
            }
            if (!set.TextFile.isEmpty()) {
                run(Cmd::CmdTextUpdateList, set.TextFile);
            }
            if (!set.FlowParts.isEmpty()) {
                run(Cmd::CmdPartsLoadShow, set.FlowParts);
            }
            if (!set.PartsValue.isEmpty()) {
                run(Cmd::CmdPartValuesLoad, set.PartsValue);
            }
            if (!set.IPtalkFile.isEmpty()) {
                c_.log.add(QStringLiteral("IPtalk Cmd Send Start."));
                if (c_.iptalkLoadFile) {
                    c_.iptalkLoadFile(set.IPtalkFile);
                }
            }
            if (!set.CSVFile.isEmpty()) {
                reported = resolve(set.CSVFile);
                loadWorksheet(peerFile(OperandFile::Worksheet, set.CSVFile), {});
            }
            c_.status.SendNotice(NoticeKind::FileSetLoaded);
        } catch (...) {
            c_.log.add(QStringLiteral("ファイルセットロードでエラー発生。ロードをやめました。"));
            c_.log.add(QStringLiteral("（%1）").arg(describeCurrentException()));
            try {
                c_.status.SendStatusLine(cp932::encode(u"ファイルセットロードでエラー発生"),
                                         cp932::encode(reported));
            } catch (...) {
                // The UDP socket reported its own failure.
            }
        }
    }

    void settingsSave(const QByteArray& operand) {
        OperandScanner in(operand);
        const int mode = in.number().value_or(0);
        QByteArray name;
        if (in.skipOne()) {
            name = in.word().value_or(QByteArray());
        }
        if (!isBareSaveName(name)) {
            c_.log.add(
                QStringLiteral("PKT受信[S]: 遠隔保存のファイル名が不正なため保存しません。(%1)")
                    .arg(cp932::decode(name)));
            return;
        }
        const QString bare = cp932::decode(name);
        const QString path =
            c_.settings.ChkNoTotalPath() ? bare : joinBaseDir(c_.settings.BaseDir(), bare);
        const QString settingsPath = SettingsFile::withExtension(path);
        if (mode == 1) {
            c_.log.add(QStringLiteral("PKT受信[S]: セッション071-001-1"));
            c_.settingsFile.SaveSettingsFile(settingsPath);
        } else if (mode == 2) {
            saveSettingsAndFileSet(path, settingsPath);
        } else {
            c_.log.add(QStringLiteral("PKT受信[S]:セッション 071-%1-0 NG")
                           .arg(mode, 3, 10, QLatin1Char('0')));
        }
    }

    void saveSettingsAndFileSet(const QString& path, const QString& settingsPath) {
        c_.log.add(QStringLiteral("PKT受信[S]: セッション071-002-1"));
        bool saved = false;
        try {
            saved = c_.settingsFile.SaveSettingsFile(settingsPath);
        } catch (...) {
        }
        if (!saved) {
            c_.log.add(QStringLiteral("PKT受信[S]: セッション071-002-1 NG"));
        } else {
            // The file set is replaced atomically below, so the old one is not deleted
            // first: a failed write leaves it whole.
            c_.log.add(QStringLiteral("PKT受信[S]: セッション071-002-2"));
        }
        FileSet set;
        const CurrentFiles& cur = c_.hub.Current;
        set.BackGround = cur.CurBackground;
        set.TextFile = cur.CurTextList;
        set.SettingFile = cp932::encode(settingsPath);
        set.FlowParts = cur.CurParts;
        set.PartsValue = cur.CurPartValues;
        set.CSVFile = cur.CurCsvFile;
        QString error;
        bool ok = false;
        try {
            ok = writeFileSet(fileSetPath(path), set, &error);
        } catch (...) {
        }
        if (!ok) {
            c_.log.add(QStringLiteral("PKT受信[S]:セッション 02-2 NG"));
        }
    }

    static QString fileSetPath(const QString& path) {
        return withExtension(path, QStringLiteral("rf1"));
    }

    void worksheetLoad(const QByteArray& operand) {
        const QString path = peerFile(OperandFile::Worksheet, operand);
        c_.hub.Current.CurCsvFile = operand;
        loadWorksheet(path, [] { QCoreApplication::processEvents(); });
    }

    void worksheetSend(const QByteArray& operand) {
        OperandScanner in(operand);
        const auto row = in.number();
        std::optional<QByteArray> text;
        if (row && in.skipOne()) {
            text = in.word();
        }
        if (!row || *row < 1 || *row > kWorksheetRows - 1) {
            return;
        }
        c_.worksheet.setRowCommaText(*row, text.value_or(QByteArray()));
        if (c_.worksheetProgress) {
            c_.worksheetProgress(kWorksheetRows, *row);
        }
    }

    void worksheetReceive(PacketContext& ctx) {
        if (ctx.connection == nullptr) {
            return;
        }
        for (int row = 1; row < kWorksheetRows; ++row) {
            ctx.reply(makePacket(Cmd::CmdWorksheetReceive,
                                 QByteArray::number(row) + ' ' + c_.worksheet.rowCommaText(row)));
        }
    }

    void listParts(PacketContext& ctx) {
        if (ctx.connection == nullptr) {
            return;
        }
        for (const QByteArray& info : c_.display.ListParts()) {
            ctx.reply(makePacket(Cmd::CmdPartsInfo, info));
        }
    }

    LoadingCommandContext& context() { return c_; }

private:
    Interpreter& interpreter_;
    LoadingCommandContext c_;
};

}  // namespace

bool isBareSaveName(const QByteArray& name) {
    // As text: in the bytes, 0x5C is also the second byte of many double-byte characters
    // (表, ソ, 能, ...), which are no separators.
    const QString text = cp932::decode(name);
    return !text.isEmpty() && !text.contains(QLatin1Char('/')) &&
           !text.contains(QLatin1Char('\\')) && !text.contains(QLatin1String("..")) &&
           !text.contains(QLatin1Char(':')) && !text.contains(QChar(u'\0'));
}

void registerLoadingCommands(Interpreter& interpreter, LoadingCommandContext context) {
    auto h = std::make_shared<LoadingCommands>(interpreter, std::move(context));
    TMainDisp& d = h->context().display;
    auto on = [&interpreter](Cmd cmd, Interpreter::Handler handler) {
        interpreter.setHandler(cmd, std::move(handler));
    };
    on(Cmd::CmdSettingsLoad, [h](PacketContext& c) { h->settingsLoad(c.operand()); });
    on(Cmd::CmdFileSetLoad, [h](PacketContext& c) { h->fileSetLoad(c); });
    on(Cmd::CmdPartUpdate, [&d](PacketContext& c) { d.UpdatePart(c.operand()); });
    on(Cmd::CmdListSend, [h](PacketContext& c) { h->listParts(c); });
    on(Cmd::CmdPartsLoadShow, [&d](PacketContext& c) { d.LoadParts(c.operand(), true); });
    on(Cmd::CmdPartsLoadHidden, [&d](PacketContext& c) { d.LoadParts(c.operand(), false); });
    on(Cmd::CmdPartsClear, [&d](PacketContext&) { d.ClearParts(); });
    on(Cmd::CmdPartValuesLoad,
       [&d](PacketContext& c) { d.CmdPartValuesLoad(c.operand(), c.connection); });
    on(Cmd::CmdPartsHide, [&d](PacketContext&) { d.HideAllParts(); });
    on(Cmd::CmdPartsShow, [&d](PacketContext&) { d.ShowAllParts(); });
    on(Cmd::CmdSettingsSave, [h](PacketContext& c) { h->settingsSave(c.operand()); });
    on(Cmd::CmdWorksheetLoad, [h](PacketContext& c) { h->worksheetLoad(c.operand()); });
    on(Cmd::CmdWorksheetSend, [h](PacketContext& c) { h->worksheetSend(c.operand()); });
    on(Cmd::CmdWorksheetReceive, [h](PacketContext& c) { h->worksheetReceive(c); });
}

}  // namespace zul
