// The IPtalk cooperation as the program wires it: the display role's keep-on-top timer,
// the hub's IPtalk page, and the console's settings transfer. No X display here, so no
// IPtalk window is ever found: what is checked is what the program asks for.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>

#include "console/Zul2_cmain.h"
#include "external/Zul2_iptalk9s.h"
#include "external/iptalk.h"
#include "recording_dialogs.h"
#include "shell/Zul2_main.h"
#include "shell/operator_connection.h"
#include "shell/program.h"
#include "test_support.h"
#include "waiting_and_ports.h"

namespace zul {
namespace {

using test::freeTcpPort;
using test::sj;
using test::waitFor;

class IptalkProgram : public ::testing::Test {
protected:
    void SetUp() override {
        Program::Options o;
        o.startFolder = dir_.path();
        o.showWindows = false;
        program_ = std::make_unique<Program>(o);
        program_->setDialogs(&dialogs_);
        program_->settings().Port.set(freeTcpPort());
    }

    QPushButton* hubButton(const char* name) {
        return program_->hubForm().findChild<QPushButton*>(QString::fromLatin1(name));
    }

    QTemporaryDir dir_;
    test::RecordingDialogs dialogs_;
    std::unique_ptr<Program> program_;
};

TEST_F(IptalkProgram, TheDisplayRoleRunsTheKeepOnTopTimerExactlyWhenIptalkStaysOnTop) {
    struct Case {
        bool topmost;
        bool hideDisplay;
    };
    // Also a display machine that shows no display window (it only drives IPtalk).
    for (const Case c : {Case{true, false}, Case{true, true}, Case{false, false}}) {
        program_->settings().Iptalk_topmost.set(c.topmost);
        program_->settings().HideDisp.set(c.hideDisplay);
        program_->hubForm().Button4Click();
        EXPECT_EQ(program_->iptalk().Idle().isActive(), c.topmost) << c.hideDisplay;
        EXPECT_EQ(program_->iptalk().Idle().interval(), 1000);
        program_->hubForm().N1Click();
        EXPECT_FALSE(program_->iptalk().Idle().isActive());
    }
}

TEST_F(IptalkProgram, HubPageCapturesFromTheSubstituteAndSendsThePlacement) {
    QTcpServer display;
    ASSERT_TRUE(display.listen(QHostAddress::LocalHost));
    Settings& s = program_->settings();
    s.ClientName.set(QStringLiteral("127.0.0.1"));
    s.ClientPort.set(display.serverPort());
    program_->hubForm().Button10Click();
    ASSERT_TRUE(waitFor([&] { return display.hasPendingConnections(); }));
    QTcpSocket* peer = display.nextPendingConnection();
    ASSERT_TRUE(waitFor([&] { return program_->connection().isEstablished(); }));

    // "位置設定ウインドウ" shows the substitute; "現状のサイズを取得" takes its rectangle.
    ASSERT_NE(hubButton("Button21"), nullptr);
    hubButton("Button21")->click();
    Ttalk2& substitute = program_->iptalkSubstitute();
    EXPECT_TRUE(substitute.isVisible());
    EXPECT_EQ(substitute.windowTitle(), QStringLiteral("IPtalk9s のかわり"));
    substitute.setGeometry(210, 120, 603, 108);
    hubButton("Button11")->click();
    const QRect outer = substitute.frameGeometry();
    EXPECT_EQ(QRect(s.Iptalk_top(), s.Iptalk_left(), s.Iptalk_width(), s.Iptalk_height()), outer);

    // "表示機に設定を送る": x = Iptalk_top, y = Iptalk_left, the two flags.
    s.IPtalk_sync.set(true);
    hubButton("Button13")->click();
    // The console asks for its lists on connecting; the placement comes among them.
    QByteArray placement;
    ASSERT_TRUE(waitFor([&] {
        while (peer->canReadLine()) {
            const QByteArray line = peer->readLine();
            if (line.startsWith('\x28')) {
                placement = line;
            }
        }
        return !placement.isEmpty();
    }));
    EXPECT_EQ(placement, "\x28" + QByteArray::number(outer.x()) + ' ' +
                             QByteArray::number(outer.y()) + ' ' +
                             QByteArray::number(outer.width()) + ' ' +
                             QByteArray::number(outer.height()) + " 0 1\n");

    // "自分のPCで試す" without IPtalk on this machine changes nothing.
    hubButton("Button12")->click();
    EXPECT_EQ(s.Iptalk_top(), outer.x());
}

TEST_F(IptalkProgram, TheConsolesTransferGoesToTheDisplayMachinesIptalk) {
    QUdpSocket iptalk;
    ASSERT_TRUE(iptalk.bind(QHostAddress::AnyIPv4, 6912));
    program_->settings().ClientName.set(QStringLiteral("127.0.0.1"));
    program_->settings().IPtalkCh.set(2);
    Q_EMIT program_->console().iptalkFileChosen(sj("式典.dp9"));
    QByteArrayList received;
    ASSERT_TRUE(waitFor([&] {
        while (iptalk.hasPendingDatagrams()) {
            received << iptalk.receiveDatagram().data();
        }
        return received.size() >= 3;
    }));
    EXPECT_EQ(received, QByteArrayList({sj("$set$999:＜番号付き表示設定ファイル２＞"),
                                        sj("$set$617:式典.dp9:設定の読込を指示"), "$end$"}));
}

}  // namespace
}  // namespace zul
