#include <gtest/gtest.h>

#include <algorithm>

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "commands/interpreter.h"
#include "console/Zul2_cmain.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
#include "services/settings_file.h"
#include "services/status_broadcaster.h"
#include "shell/Zul2_main.h"
#include "shell/app_error_handler.h"
#include "shell/display_listener.h"
#include "shell/program.h"
#include "shell/startup.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::RecordingDialogs;
using zul::test::sj;
using zul::test::writeAll;

namespace {

// A program built in a temporary start folder, with its windows hidden and its dialogs
// answered by the test. Packets handed to the interpreter are recorded.
struct ProgramFixture {
    QTemporaryDir dir;
    RecordingDialogs dialogs;
    std::unique_ptr<Program> program;
    QStringList events;

    void create(const QString& commandLine = {}) {
        Program::Options o;
        o.startFolder = dir.path();
        o.commandLine = commandLine;
        o.showWindows = false;
        program = std::make_unique<Program>(o);
        program->setDialogs(&dialogs);
        for (Cmd c : {Cmd::CmdWebUpdateList, Cmd::CmdFileSetLoad, Cmd::CmdIptalkHide}) {
            program->interpreter().setHandler(c, [this](PacketContext& ctx) {
                events << QStringLiteral("packet %1 %2")
                              .arg(ctx.commandByte())
                              .arg(cp932::decode(ctx.operand()));
            });
        }
        QObject::connect(&program->settings().TransChk, &SettingBase::changed,
                         [this] { events << QStringLiteral("settings"); });
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArrayList logLines() const { return program->log().lines(); }
};

const QByteArray kSettingsFlip = "[Server]\r\nStretch=0\r\n[IPtalk]\r\nNoTouch=1\r\n";

}  // namespace

TEST(Startup, CommandLineIsTheArgumentsJoinedBySingleBlanks) {
    EXPECT_EQ(commandLineText({"zul"}), QString());
    EXPECT_EQ(commandLineText({"zul", "my", "set.rd1"}), QStringLiteral("my set.rd1"));
    EXPECT_EQ(commandLineText({"zul", "\"a b.rd1\""}), QStringLiteral("\"a b.rd1\""));
}

TEST(Startup, LoadsTheThreeStartupFilesInOrder) {
    ProgramFixture f;
    writeAll(f.path("startup.rd1"), kSettingsFlip);
    writeAll(f.path("startup.rw1"), "x\r\n");
    writeAll(f.path("startup.rf1"), "[FileSet]\r\n");
    f.create();
    f.program->start();
    EXPECT_EQ(f.program->settings().BaseDir(), f.dir.path());
    EXPECT_EQ(f.events, (QStringList{"settings", "packet 34 " + f.path("startup.rw1"),
                                     "packet 42 " + f.path("startup.rf1")}));
    const QByteArrayList log = f.logLines();
    const qsizetype rd1 = log.indexOf(sj("スタートアップ設定ファイルを読み込みます。"));
    const qsizetype rw1 = log.indexOf(sj("スタートアップWebリストを読み込みます。"));
    const qsizetype rf1 = log.indexOf(sj("スタートアップファイルセットを読み込みます。"));
    EXPECT_TRUE(rd1 >= 0 && rd1 < rw1 && rw1 < rf1);
}

TEST(Startup, MissingStartupFilesAreSkippedSilently) {
    ProgramFixture f;
    writeAll(f.path("startup.rf1"), "[FileSet]\r\n");
    f.create();
    f.program->start();
    EXPECT_EQ(f.events, QStringList{"packet 42 " + f.path("startup.rf1")});
}

TEST(Startup, CommandLineFileReplacesTheStartupFiles) {
    ProgramFixture f;
    writeAll(f.path("startup.rd1"), "[Server]\r\nAspect=1\r\n");
    writeAll(f.path("startup.rf1"), "[FileSet]\r\n");
    writeAll(f.path("mine.rd1"), kSettingsFlip);
    f.create(f.path("mine.rd1"));
    f.program->start();
    EXPECT_EQ(f.events, QStringList{"settings"});
    EXPECT_FALSE(f.program->settings().AspectChk());
}

TEST(Startup, QuotedCommandLineNamesNoFileAndChangesNothing) {
    ProgramFixture f;
    writeAll(f.path("mine.rd1"), kSettingsFlip);
    writeAll(f.path("startup.rd1"), kSettingsFlip);
    f.create(QStringLiteral("\"%1\"").arg(f.path("mine.rd1")));
    f.program->start();
    EXPECT_TRUE(f.events.isEmpty());
    EXPECT_TRUE(f.program->settings().TransChk());
}

TEST(Startup, FailingFileDoesNotStopTheRest) {
    ProgramFixture f;
    QDir(f.dir.path()).mkpath(QStringLiteral("startup.rd1"));  // exists, cannot be read
    writeAll(f.path("startup.rf1"), "[FileSet]\r\n");
    f.create();
    f.program->start();
    EXPECT_EQ(f.events, QStringList{"packet 42 " + f.path("startup.rf1")});
    bool reported = false;
    for (const QByteArray& l : f.logLines()) {
        reported |= l.startsWith(sj("エラー："));
    }
    EXPECT_TRUE(reported);
}

TEST(Startup, SettingsFileWithServerNowStartsTheDisplayRole) {
    ProgramFixture f;
    writeAll(f.path("startup.rd1"), "[RUN]\r\nServerNow=1\r\n[IPtalk]\r\nNoTouch=1\r\n");
    f.create();
    f.program->start();
    EXPECT_TRUE(f.program->hubForm().displayRoleRunning());
    EXPECT_EQ(f.program->hubForm().statusText(), QStringLiteral("表示機として起動中：0機接続中"));
}

TEST(Startup, ExitWritesTheLogIntoTheStartFolder) {
    ProgramFixture f;
    f.create();
    f.program->log().add(QStringLiteral("終了前の行"));
    f.program->shutdown();
    const QByteArray bytes = zul::test::readAll(f.path("zul_dbg.log"));
    EXPECT_TRUE(bytes.endsWith(sj("終了前の行") + "\r\n"));
}

// ---- application error handler -------------------------------------------------------------

TEST(AppErrorHandler, LogsBroadcastsAndPopsUpOnlyWhenAsked) {
    DebugLog log;
    Settings settings;
    RecordingDialogs dialogs;
    StatusBroadcaster status(QByteArray("pc1"));
    test::RecordingDatagrams datagrams;
    status.setSender(&datagrams);
    AppErrorHandler handler(log, settings, dialogs, status);

    handler.reportError(QStringLiteral("ファイルがありません"));
    EXPECT_EQ(log.lines().last(), sj("エラー：ファイルがありません"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(datagrams.sent,
              QByteArrayList{"ZUL,3,\x1e(pc1)" + sj("エラー：ファイルがありません") + "\n"});

    settings.ShowErr.set(true);
    handler.reportError(QStringLiteral("x"));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("想定外エラー"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("エラー：x"));
}

TEST(AppErrorHandler, GuardCatchesEveryKindOfException) {
    DebugLog log;
    Settings settings;
    RecordingDialogs dialogs;
    StatusBroadcaster status(QByteArray("pc1"));
    AppErrorHandler handler(log, settings, dialogs, status);
    EXPECT_FALSE(guarded(handler, [] { throw ZulError(QStringLiteral("a")); }));
    EXPECT_FALSE(guarded(handler, [] { throw std::runtime_error("b"); }));
    EXPECT_FALSE(guarded(handler, [] { throw 42; }));
    EXPECT_TRUE(guarded(handler, [] {}));
    const QByteArrayList& l = log.lines();
    EXPECT_EQ(l[l.size() - 3], sj("エラー：a"));
    EXPECT_EQ(l[l.size() - 2], sj("エラー：b"));
    EXPECT_EQ(l[l.size() - 1], sj("エラー：不明な例外"));
}

// ---- hub form ----------------------------------------------------------------------------

TEST(HubForm, SaveAndLoadButtonsReportTheirResult) {
    ProgramFixture f;
    f.create();
    TSettingForm& hub = f.program->hubForm();

    f.dialogs.files.enqueue(f.path("saved.rd1"));
    hub.Set_SaveClick();
    EXPECT_EQ(f.dialogs.fileTitles.last(), QStringLiteral("設定を保存"));
    EXPECT_EQ(f.dialogs.lastText(), QStringLiteral("保存しました"));
    EXPECT_EQ(f.dialogs.lastTitle(), QStringLiteral("保存"));

    // A save that fails is reported as such, not as a success.
    writeAll(f.path("afile"), "x");
    f.dialogs.files.enqueue(f.path("afile/x.rd1"));
    hub.Set_SaveClick();
    EXPECT_EQ(f.dialogs.lastText(), QStringLiteral("保存失敗です。"));

    f.program->settings().TransChk.set(false);
    f.dialogs.files.enqueue(f.path("saved.rd1"));
    hub.Set_LoadClick();
    EXPECT_EQ(f.dialogs.fileTitles.last(), QStringLiteral("設定をロード"));
    EXPECT_EQ(f.dialogs.lastText(), QStringLiteral("ロードしました"));
    EXPECT_EQ(f.dialogs.lastTitle(), QStringLiteral("設定"));
    EXPECT_TRUE(f.program->settings().TransChk());

    QDir(f.dir.path()).mkpath(QStringLiteral("dir.rd1"));
    f.dialogs.files.enqueue(f.path("dir.rd1"));
    hub.Set_LoadClick();
    EXPECT_EQ(f.dialogs.lastText(), QStringLiteral("ロード失敗です。"));

    // Cancelled dialogs do nothing.
    const qsizetype shown = f.dialogs.messages.size();
    hub.Set_SaveClick();
    hub.Set_LoadClick();
    EXPECT_EQ(f.dialogs.messages.size(), shown);
}

TEST(HubForm, WidgetsFollowTheSettingsBothWays) {
    ProgramFixture f;
    f.create();
    TSettingForm& hub = f.program->hubForm();
    auto* baseDir = hub.findChild<QLineEdit*>(QStringLiteral("BaseDir"));
    ASSERT_NE(baseDir, nullptr);
    f.program->settings().BaseDir.set(QStringLiteral("/data"));
    EXPECT_EQ(baseDir->text(), QStringLiteral("/data"));
    baseDir->setText(QStringLiteral("/typed"));
    Q_EMIT baseDir->textEdited(baseDir->text());
    EXPECT_EQ(f.program->settings().BaseDir(), QStringLiteral("/typed"));

    f.dialogs.folders.enqueue(QStringLiteral("/chosen"));
    hub.Button1Click();
    EXPECT_EQ(baseDir->text(), QStringLiteral("/chosen"));
    hub.Button1Click();  // cancelled: unchanged
    EXPECT_EQ(f.program->settings().BaseDir(), QStringLiteral("/chosen"));
}

TEST(HubForm, AdvancedModeUnlocksThePorts) {
    ProgramFixture f;
    f.create();
    TSettingForm& hub = f.program->hubForm();
    const QList<QSpinBox*> spins = hub.findChildren<QSpinBox*>();
    int locked = 0;
    for (QSpinBox* s : spins) {
        locked += s->isEnabled() ? 0 : 1;
    }
    EXPECT_EQ(locked, 3);  // Port, ClientPort, MirrorPort
    EXPECT_FALSE(hub.advancedMode());
    hub.ChgModeClick();
    EXPECT_TRUE(hub.advancedMode());
    for (QSpinBox* s : spins) {
        EXPECT_TRUE(s->isEnabled());
    }
}

TEST(HubForm, RemoteModeNeedsAConnection) {
    ProgramFixture f;
    f.create();
    f.program->settings().DspRem.set(true);
    EXPECT_FALSE(f.program->settings().DspRem());
    EXPECT_EQ(f.dialogs.lastText(), QStringLiteral("サーバへ接続しないと制御できません。"));
    EXPECT_EQ(f.dialogs.lastTitle(), QStringLiteral("注意事項"));
}

TEST(HubForm, HiddenDisplayStartTellsTheUser) {
    ProgramFixture f;
    f.create();
    f.program->settings().HideDisp.set(true);
    f.program->hubForm().Button4Click();
    EXPECT_EQ(f.dialogs.lastTitle(), QStringLiteral("表示機起動"));
    EXPECT_TRUE(f.dialogs.lastText().startsWith(QStringLiteral("表示機を起動しましたが")));
}

TEST(HubForm, CaptionButtonsSetTheSampleText) {
    ProgramFixture f;
    f.create();
    TSettingForm& hub = f.program->hubForm();
    SampleTextLook& look = f.program->settings().SampleText;
    f.dialogs.colours.enqueue(QColor(255, 0, 0));
    hub.Button5Click();
    EXPECT_EQ(look.backColor(), 255);
    f.dialogs.colours.enqueue(QColor(0, 0, 255));
    hub.Button6Click();
    EXPECT_EQ(look.fontColor(), 0xFF0000);
    QFont chosen(QStringLiteral("IPAGothic"));
    chosen.setPointSize(24);
    f.dialogs.fonts.enqueue(chosen);
    hub.Button7Click();
    EXPECT_EQ(f.dialogs.messages.last().title, QStringLiteral("**注意**"));
    EXPECT_TRUE(f.dialogs.lastFontFixedPitch);
    EXPECT_EQ(look.fontName(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(look.fontSize(), 24);
}

TEST(HubForm, ShowingTheHubSetsHubShownAndStopActionsBringItBack) {
    ProgramFixture f;
    f.create();
    TSettingForm& hub = f.program->hubForm();
    EXPECT_FALSE(f.program->hub().HubShown);
    hub.show();
    EXPECT_TRUE(f.program->hub().HubShown);
    hub.hide();
    hub.C1Click();
    EXPECT_TRUE(hub.isVisible());
    EXPECT_EQ(hub.statusText(), QStringLiteral("未接続：ユーザ指示待ち"));
    EXPECT_EQ(f.logLines().last(), sj("【(タスクトレイより)接続終了】"));
}

TEST(HubForm, DisplayStartOnABusyPortSaysSoAndGoesOn) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::AnyIPv4, 0));
    ProgramFixture f;
    f.create();
    f.program->settings().Port.set(other.serverPort());
    f.program->hubForm().Button4Click();
    EXPECT_EQ(f.dialogs.lastText(), QStringLiteral("通信ポートが使用中か、エラーが発生しました。"));
    EXPECT_EQ(f.dialogs.lastTitle(), QStringLiteral("エラー"));
    EXPECT_FALSE(f.program->hubForm().displayRoleRunning());
}

TEST(HubForm, DisplayRoleStartsAndStopsTheListener) {
    ProgramFixture f;
    f.create();
    TSettingForm& hub = f.program->hubForm();
    const quint16 port = test::freeTcpPort(QHostAddress::AnyIPv4);
    f.program->settings().Port.set(port);
    hub.Button4Click();
    EXPECT_TRUE(hub.displayRoleRunning());
    EXPECT_EQ(hub.statusText(), QStringLiteral("表示機として起動中：0機接続中"));
    QTcpSocket op;
    op.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(op.waitForConnected(3000));
    ASSERT_TRUE(test::waitFor([&] { return f.program->hub().OperatorCount == 1; }));
    EXPECT_EQ(hub.statusText(), QStringLiteral("表示機として起動中：1機接続中"));
    hub.N1Click();
    EXPECT_FALSE(hub.displayRoleRunning());
    EXPECT_TRUE(test::waitFor([&] { return f.program->hub().OperatorCount == 0; }));
}

// A settings file that asks for the display role (ServerNow=1), loaded because a packet named
// it. With the role running, the start is not run again under the packet: the listener stays
// on its port with the operator that sent it, and no box opens. HideDisp and a new Port in the
// file would each have made a new start show a modal box or move the listener.
TEST(HubForm, RemoteSettingsLoadLeavesTheRunningDisplayRoleAlone) {
    ProgramFixture f;
    f.create();
    TSettingForm& hub = f.program->hubForm();
    const quint16 port = test::freeTcpPort(QHostAddress::AnyIPv4);
    f.program->settings().Port.set(port);
    hub.Button4Click();
    ASSERT_TRUE(hub.displayRoleRunning());
    f.dialogs.messages.clear();
    QTcpSocket op;
    op.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(op.waitForConnected(3000));
    ASSERT_TRUE(test::waitFor([&] { return f.program->hub().OperatorCount == 1; }));

    const quint16 otherPort = test::freeTcpPort(QHostAddress::AnyIPv4);
    writeAll(f.path("remote.rd1"), "[Server]\r\nPort=" + QByteArray::number(otherPort) +
                                       "\r\nHideDisp=1\r\n[IPtalk]\r\nNoTouch=1\r\n"
                                       "[RUN]\r\nServerNow=1\r\n");
    op.write("'" + f.path("remote.rd1").toLocal8Bit() + "\n");
    ASSERT_TRUE(op.waitForBytesWritten(3000));
    // The packet has run once the file's port is set; the start, had it run again, came
    // right after within the same packet.
    ASSERT_TRUE(test::waitFor([&] { return f.program->settings().Port() == otherPort; }));
    EXPECT_TRUE(f.logLines().contains(
        sj("表示機は起動中のため、受信した設定ファイルの ServerNow=1 では起動し直しません。")));

    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << f.dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(f.dialogs.notices.isEmpty());
    EXPECT_EQ(f.program->listener().port(), port);
    EXPECT_EQ(op.state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(f.program->hub().OperatorCount, 1);
    EXPECT_EQ(f.program->hub().PacketSettingsLoads, 0);
}

// The same file loaded while the role does not run yet starts it, from a packet without a
// modal box (the hidden-display message is a notice, and logged), from the hub with one.
TEST(HubForm, SettingsFileStartsTheDisplayRoleWithABoxOnlyOutsidePackets) {
    const QString hidden = QStringLiteral("表示機を起動しましたが");
    for (const bool fromPacket : {true, false}) {
        ProgramFixture f;
        f.create();
        const quint16 port = test::freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(f.path("start.rd1"), "[Server]\r\nPort=" + QByteArray::number(port) +
                                          "\r\nHideDisp=1\r\n[IPtalk]\r\nNoTouch=1\r\n"
                                          "[RUN]\r\nServerNow=1\r\n");
        if (fromPacket) {
            f.program->interpreter().ExecutePacket("'" + f.path("start.rd1").toLocal8Bit() + "\n",
                                                   nullptr);
        } else {
            f.program->settingsFile().LoadSettingsFile(f.path("start.rd1"));
        }
        EXPECT_TRUE(f.program->hubForm().displayRoleRunning()) << fromPacket;
        EXPECT_EQ(f.program->listener().port(), port) << fromPacket;
        const auto startsHidden = [&](const QList<RecordingDialogs::Message>& list) {
            return std::any_of(list.begin(), list.end(), [&](const RecordingDialogs::Message& m) {
                return m.text.startsWith(hidden);
            });
        };
        EXPECT_EQ(startsHidden(f.dialogs.notices), fromPacket);
        EXPECT_EQ(startsHidden(f.dialogs.messages), !fromPacket);
        if (fromPacket) {
            EXPECT_TRUE(f.dialogs.messages.isEmpty()) << f.dialogs.texts().join(u'|').toStdString();
            const QByteArrayList log = f.logLines();
            EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QByteArray& l) {
                return l.startsWith(sj("待たずに表示します：[表示機起動] 表示機を起動しましたが"));
            }));
        }
    }
}

TEST(HubForm, RemoteModeSendsTheOptionPacketsToTheDisplay) {
    QTcpServer display;
    ASSERT_TRUE(display.listen(QHostAddress::LocalHost, 0));
    ProgramFixture f;
    f.create();
    Settings& s = f.program->settings();
    s.ClientPort.set(display.serverPort());
    s.ClientName.set(QStringLiteral("127.0.0.1"));
    f.program->hubForm().Button10Click();
    ASSERT_TRUE(display.waitForNewConnection(3000));
    QTcpSocket* peer = display.nextPendingConnection();
    ASSERT_TRUE(test::waitFor([&] { return f.program->hubForm().operatorRoleRunning(); }));
    // The console asks for the file and parts lists when it comes up.
    ASSERT_TRUE(
        test::waitFor([&] { return peer->bytesAvailable() > 0 || peer->waitForReadyRead(200); }));
    QTest::qWait(100);
    peer->readAll();

    s.DspRem.set(true);
    EXPECT_TRUE(s.DspRem());  // connected: the box stays ticked
    s.TransChk.set(false);
    s.ckCrom.set(true);
    s.WallColor.set(255);
    s.MoveFrame.set(true);
    f.program->hubForm()
        .findChild<QWidget*>(QStringLiteral("DspTop"))
        ->findChildren<QPushButton*>()
        .first()
        ->click();
    QByteArray got;
    ASSERT_TRUE(test::waitFor([&] { return (got += peer->readAll()).count('\n') >= 4; }));
    EXPECT_EQ(got, QByteArray("\x34"
                              "0\n"
                              "\x52"
                              "1,16777215\n"
                              "\x3b"
                              "1,255\n"
                              "\x54"
                              "1 1\n"));
}

TEST(HubForm, DisplayStartAsksWhoIsThereRightAway) {
    // At start the UDP socket has only just been bound; the discovery request must still go
    // out (the program answers its own request and lists itself as a display machine).
    ProgramFixture f;
    f.create();
    const quint16 port = test::freeTcpPort(QHostAddress::AnyIPv4);
    f.program->settings().Port.set(port);
    f.program->hubForm().Button4Click();
    EXPECT_FALSE(f.dialogs.texts().contains(QStringLiteral("UDP通信ができませんでした。")));
    ASSERT_TRUE(test::waitFor([&] {
        const QStringList& peers = f.program->peers().entries();
        return std::any_of(peers.begin(), peers.end(),
                           [](const QString& e) { return e.startsWith(QLatin1String("[S]")); });
    }));
}

TEST(HubForm, TextViewsFedFromOutsideStaySmall) {
    // The log view follows the log, which empties itself at its limit; it must not keep an
    // undo step per line meanwhile. The chat memo shows every machine's status lines and keeps
    // only the newest ones.
    ProgramFixture f;
    f.create();
    auto* logView = f.program->hubForm().findChild<QPlainTextEdit*>(QStringLiteral("DebugLog"));
    ASSERT_NE(logView, nullptr);
    QPlainTextEdit* chat = f.program->console().MemoChat();
    const QByteArray line(200, 'x');
    for (int i = 0; i < 5000; ++i) {
        f.program->log().add(line);
        f.program->console().addChatLine(line);
    }
    EXPECT_EQ(logView->document()->availableUndoSteps(), 0);
    EXPECT_LE(logView->document()->characterCount(), DebugLog::kLimitBytes);
    EXPECT_EQ(chat->document()->availableUndoSteps(), 0);
    EXPECT_LE(chat->document()->blockCount(), 2000);
    EXPECT_EQ(chat->document()->lastBlock().text(), QString::fromLatin1(line));
}

// Qt's own texts (standard dialogs, buttons, error strings) read Japanese while the program
// lives, like everything else the user sees.
TEST(Startup, QtsOwnDialogsAndMessagesReadJapanese) {
    auto texts = [] {
        QStringList out;
        QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
        out << buttons.button(QDialogButtonBox::Cancel)->text();
        out << buttons.button(QDialogButtonBox::Open)->text();
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        out << files.labelText(QFileDialog::LookIn);
        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        out << colours.windowTitle();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, test::freeTcpPort());
        socket.waitForConnected(3000);
        out << socket.errorString();
        return out;
    };
    const QStringList english = texts();
    ProgramFixture f;
    f.create();
    const QStringList japanese = texts();
    ASSERT_EQ(japanese.size(), english.size());
    EXPECT_EQ(japanese.at(0), QStringLiteral("キャンセル"));
    for (qsizetype i = 0; i < japanese.size(); ++i) {
        EXPECT_TRUE(japanese.at(i) != english.at(i)) << english.at(i).toStdString();
        EXPECT_TRUE(std::any_of(japanese.at(i).begin(), japanese.at(i).end(), [](QChar c) {
            return c.unicode() >= 0x3000;
        })) << japanese.at(i).toStdString();
    }
    f.program.reset();
    EXPECT_TRUE(texts() == english) << "the translation stays after the program";
}

TEST(HubForm, HubAndConsoleOpenToolWindowsThroughOneTable) {
    ProgramFixture f;
    f.create();
    const QStringList names = {QStringLiteral("TWebListEdit"), QStringLiteral("TEasyZUL"),
                               QStringLiteral("TFileSet"),     QStringLiteral("TFP_Edit"),
                               QStringLiteral("TPosView"),     QStringLiteral("TZUL_Err"),
                               QStringLiteral("TDirChange"),   QStringLiteral("Tzul_rsend"),
                               QStringLiteral("TRE_Disp"),     QStringLiteral("TZUL_ts"),
                               QStringLiteral("Tzul_pb_main"), QStringLiteral("Tzul_py_main"),
                               QStringLiteral("Tzul_ws"),      QStringLiteral("TZUL_ezpnl")};
    for (const QString& name : names) {
        QWidget* window = f.program->tools().find(name);
        ASSERT_NE(window, nullptr) << name.toStdString();
        Q_EMIT f.program->hubForm().showToolRequested(name);
        EXPECT_TRUE(window->isVisible()) << name.toStdString();
        window->hide();
        Q_EMIT f.program->console().showToolRequested(name);
        EXPECT_TRUE(window->isVisible()) << name.toStdString();
        window->hide();
    }
    Q_EMIT f.program->hubForm().showToolRequested(QStringLiteral("NoSuchTool"));
    EXPECT_TRUE(f.logLines().contains(sj("ツール画面 NoSuchTool はこの版にはありません。")));
}
