// The packet mirror and the macro channel inside the whole program: the display role's
// start and stop, the mirror switch, the failure notice and the settings file drive the
// mirror link; macros arrive over a private session bus.
#include <gtest/gtest.h>

#include <QHostInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "commands/interpreter.h"
#include "mirror_target.h"
#include "model/debug_log.h"
#include "model/peer_list.h"
#include "platform/cp932.h"
#include "platform/macro_channel.h"
#include "recording_dialogs.h"
#include "services/packet_mirror.h"
#include "services/settings_file.h"
#include "services/udp_discovery.h"
#include "session_bus.h"
#include "shell/Zul2_main.h"
#include "shell/display_listener.h"
#include "shell/program.h"
#include "stalled_listener.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::freeTcpPort;
using zul::test::sj;
using zul::test::waitFor;
using zul::test::writeAll;

namespace {

QByteArray identityPacket() {
    return QByteArray(1, char(70)) + cp932::encode(QHostInfo::localHostName()) + '\n';
}

QByteArray packet(int byte, const QByteArray& operand) {
    return QByteArray(1, static_cast<char>(byte)) + operand;
}

struct MirrorProgram {
    QTemporaryDir dir;
    test::RecordingDialogs dialogs;
    std::unique_ptr<Program> program;

    explicit MirrorProgram(const QString& macroBus = {}) {
        Program::Options o;
        o.startFolder = dir.path();
        o.showWindows = false;
        o.macroBusAddress = macroBus;
        program = std::make_unique<Program>(o);
        program->setDialogs(&dialogs);
        program->settings().Port.set(freeTcpPort(QHostAddress::AnyIPv4));
        program->settings().MirrorName.set(QStringLiteral("127.0.0.1"));
    }
    Settings& settings() { return program->settings(); }
    PacketMirror& mirror() { return program->mirror(); }
    void startDisplay() {
        program->hubForm().Button4Click();
        ASSERT_TRUE(program->listener().isOpen());
    }
    bool logged(const char* utf8) const { return program->log().lines().contains(sj(utf8)); }
};

}  // namespace

TEST(MirrorInProgram, DisplayRoleOpensTheMirrorOnceAndItsStopClosesIt) {
    MirrorProgram f;
    test::MirrorTarget target;
    f.settings().MirrorPort.set(target.port());
    f.settings().MirrorSel.set(true);
    QTest::qWait(200);
    EXPECT_TRUE(target.links.empty()) << "no display role yet";

    f.startDisplay();
    ASSERT_TRUE(
        waitFor([&] { return target.received.size() == 1 && !target.received[0].isEmpty(); }));
    EXPECT_EQ(target.received[0], identityPacket());
    // Starting again re-applies the start steps: the link that is there stays.
    f.program->hubForm().Button4Click();
    f.program->interpreter().ExecutePacket(packet(36, "caption"), nullptr);
    ASSERT_TRUE(waitFor([&] { return target.received[0].endsWith("caption\n"); }));
    EXPECT_EQ(target.links.size(), 1u);

    f.program->hubForm().N1Click();
    EXPECT_FALSE(f.mirror().isActive());
    EXPECT_TRUE(waitFor([&] { return !target.open(0); }));

    // The switch acts while the display runs.
    f.startDisplay();
    ASSERT_TRUE(waitFor([&] { return target.open(1); }));
    f.settings().MirrorSel.set(false);
    EXPECT_TRUE(waitFor([&] { return !target.open(1); }));
    f.settings().MirrorSel.set(true);
    EXPECT_TRUE(waitFor([&] { return target.open(2); }));
}

TEST(MirrorInProgram, PacketsReceivedWhileTheLinkConnectsAreNotPassedOn) {
    MirrorProgram f;
    test::StalledListener target;
    ASSERT_TRUE(target.ok());
    f.settings().MirrorPort.set(target.port());
    f.settings().MirrorSel.set(true);
    f.startDisplay();
    ASSERT_TRUE(f.mirror().isActive());

    QTcpSocket op;
    op.connectToHost(QStringLiteral("127.0.0.1"), f.settings().Port());
    ASSERT_TRUE(op.waitForConnected(2000));
    op.write(packet(36, "early one\n") + packet(36, "early two\n"));
    ASSERT_TRUE(waitFor([&] {
        return f.program->log().lines().contains(sj("PKT受信[S]: Cmd(036[1行更新") +
                                                 QByteArray(33, ' ') + "]) Op(early two)");
    }));
    ASSERT_FALSE(f.mirror().isEstablished());

    target.release();
    ASSERT_TRUE(waitFor([&] { return f.mirror().isEstablished(); }, 10000));
    op.write(packet(36, "late\n"));
    const int link = target.acceptNext();
    ASSERT_GE(link, 0);
    QByteArray got;
    ASSERT_TRUE(waitFor([&] {
        got += test::StalledListener::readAvailable(link);
        return got.endsWith("late\n");
    }));
    EXPECT_EQ(got, identityPacket() + packet(36, "late\n"));
}

TEST(MirrorInProgram, FailureNoticeReopensTheMirrorOfARunningDisplay) {
    MirrorProgram f;
    test::MirrorTarget target;
    f.settings().MirrorPort.set(target.port());
    f.settings().MirrorSel.set(true);
    f.startDisplay();
    ASSERT_TRUE(waitFor([&] { return target.open(0); }));
    f.program->udp().UdpSocketReceive(QStringLiteral("127.0.0.1"), "ZUL,4,\n");
    EXPECT_TRUE(f.logged("通信故障通知を受信。復帰処理をおこないます。"));
    ASSERT_TRUE(
        waitFor([&] { return target.received.size() == 2 && !target.received[1].isEmpty(); }));
    EXPECT_EQ(target.received[1], identityPacket());
    EXPECT_TRUE(waitFor([&] { return !target.open(0); }));
}

TEST(MirrorInProgram, SettingsFileThatTicksTheMirrorConnectsToTheTargetItNames) {
    MirrorProgram f;
    test::MirrorTarget target;
    f.settings().MirrorPort.set(freeTcpPort());  // the old target: nothing listens there
    f.startDisplay();
    const QString file = f.dir.filePath(QStringLiteral("mirror.rd1"));
    writeAll(file, QByteArray("[IPtalk]\r\nNoTouch=1\r\n[Mirror]\r\nMirrorRun=1\r\nPort=") +
                       QByteArray::number(target.port()) + "\r\nHost=127.0.0.1\r\n");
    f.program->settingsFile().LoadSettingsFile(file);
    ASSERT_TRUE(waitFor([&] { return !target.received.empty() && !target.received[0].isEmpty(); }));
    EXPECT_EQ(target.received[0], identityPacket());
    EXPECT_EQ(f.mirror().targetPort(), target.port());
    EXPECT_FALSE(f.logged("【通信故障を修復します】at Mirror"));
}

TEST(MirrorInProgram, PcChoiceTakesTheSelectedDisplayMachine) {
    MirrorProgram f;
    f.program->peers().add(QStringLiteral("[C]deskpc"));
    f.program->peers().add(QStringLiteral("[S]hallpc"));
    auto* list = f.program->hubForm().findChild<QListWidget*>(QStringLiteral("NetList"));
    auto* pick = f.program->hubForm().findChild<QPushButton*>(QStringLiteral("MS_select"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(pick, nullptr);
    list->setCurrentRow(0);  // [C]deskpc: an operator is no mirror target
    pick->click();
    EXPECT_EQ(f.settings().MirrorName(), QStringLiteral("127.0.0.1"));
    list->setCurrentRow(1);
    pick->click();
    EXPECT_EQ(f.settings().MirrorName(), QStringLiteral("hallpc"));
}

TEST(MacrosInProgram, MacrosStartTheRoleAndTheirPacketsReachTheMirror) {
    test::PrivateSessionBus bus;
    if (!bus.ok()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    MirrorProgram f(bus.address());
    const QString service = MacroChannel::serviceName(QCoreApplication::applicationFilePath());
    test::MirrorTarget target;
    f.settings().MirrorPort.set(target.port());
    f.settings().MirrorSel.set(true);

    auto send = [&](const QString& macro) {
        const auto sent = MacroChannel::send(service, macro, bus.address());
        EXPECT_EQ(sent.status, MacroChannel::SendResult::Status::Sent) << sent.detail.toStdString();
    };
    send(QStringLiteral("run_server"));
    ASSERT_TRUE(waitFor([&] { return f.program->listener().isOpen(); }));
    ASSERT_TRUE(waitFor([&] { return target.open(0) && !target.received[0].isEmpty(); }));
    send(QStringLiteral("SEND_CMD ") + QChar(36) + QStringLiteral("マクロから"));
    ASSERT_TRUE(waitFor([&] { return target.received[0].endsWith(sj("マクロから") + '\n'); }));
    EXPECT_EQ(target.received[0], identityPacket() + packet(36, sj("マクロから")) + '\n');
    EXPECT_TRUE(f.program->log().lines().contains(sj("[DDE] 受信: cmd=SEND_CMD / op=") + char(36) +
                                                  sj("マクロから")));
}
