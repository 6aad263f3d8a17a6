// A real display machine process on a virtual X server managed by openbox, driven over
// TCP: it places, keeps on top, hides and shows a stand-in IPtalk window (class "Ttalk2e")
// and sends IPtalk its datagram batches on channel "03Ch" (UDP port 6912).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include "platform/x11_windows.h"
#include "standin_window.h"
#include "test_support.h"
#include "waiting_and_ports.h"
#include "x11_stacking.h"

namespace zul {
namespace {

using test::freeTcpPort;
using test::managed;
using test::onTop;
using test::settles;
using test::sj;
using test::StandinWindow;
using test::waitFor;
using test::writeAll;

class IptalkDisplayProcess : public ::testing::Test {
protected:
    void SetUp() override {
        if (!windows.available()) {
            GTEST_SKIP() << "no X display";
        }
        ASSERT_TRUE(udp_.bind(QHostAddress::AnyIPv4, 6912)) << "port 6912 is taken";
        QObject::connect(&udp_, &QUdpSocket::readyRead, &udp_, [this] {
            while (udp_.hasPendingDatagrams()) {
                datagrams << udp_.receiveDatagram().data();
            }
        });
    }

    void TearDown() override {
        socket_.abort();
        if (zul_.state() != QProcess::NotRunning) {
            zul_.terminate();
            zul_.waitForFinished(10000);
        }
    }

    // Starts zul with startup settings that start the display role on a free port.
    void startDisplay(const QByteArray& iptalkSection) {
        const quint16 port = freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(dir_.filePath("startup.rd1"), "[Server]\r\nPort=" + QByteArray::number(port) +
                                                   "\r\n[IPtalk]\r\n" + iptalkSection +
                                                   "[RUN]\r\nServerNow=1\r\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        zul_.setProcessEnvironment(env);
        zul_.setWorkingDirectory(dir_.path());
        zul_.setProcessChannelMode(QProcess::ForwardedChannels);
        zul_.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul_.waitForStarted(10000));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000) {
            socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (socket_.waitForConnected(500)) {
                return;
            }
            socket_.abort();
            QThread::msleep(100);
        }
        FAIL() << "the display machine did not start listening";
    }

    void send(const QByteArray& packet) {
        socket_.write(packet);
        socket_.waitForBytesWritten(3000);
    }

    bool at(WindowId w, const QRect& r) {
        return settles([&] { return windows.rect(w) == r; });
    }

    X11Windows windows;
    QTemporaryDir dir_;
    QProcess zul_;
    QTcpSocket socket_;
    QUdpSocket udp_;
    QByteArrayList datagrams;
};

TEST_F(IptalkDisplayProcess, PlacesKeepsOnTopHidesAndShowsIptalksWindow) {
    StandinWindow iptalk(ZUL_WINDOW_STANDIN, {QStringLiteral("Ttalk2e"), {}, {0, 0, 300, 100}});
    StandinWindow other(ZUL_WINDOW_STANDIN, {QStringLiteral("Other"), {}, {400, 400, 300, 100}});
    ASSERT_TRUE(managed(windows, iptalk.id()));
    ASSERT_TRUE(managed(windows, other.id()));

    // Loading the startup settings places IPtalk; the display role keeps it on top, over
    // the display window that covers the screen.
    startDisplay("TopMost=1\r\nTop=100\r\nLeft=80\r\nWidth=640\r\nHeight=240\r\nSendCh=2\r\n");
    // Qt adds the application's name to the title on X11.
    const QString displayTitle = QStringLiteral("ZUL　表示画面 \u2014 ZUL");
    ASSERT_TRUE(settles([&] { return windows.isMapped(windows.findByTitle(displayTitle)); }));
    EXPECT_TRUE(at(iptalk.id(), {100, 80, 640, 240}));
    EXPECT_TRUE(settles([&] { return windows.isTopmost(iptalk.id()) && onTop(iptalk.id()); }))
        << "topmost " << windows.isTopmost(iptalk.id()) << " top window "
        << test::stackingOrder().back() << " iptalk " << iptalk.id() << " display "
        << windows.findByTitle(displayTitle);

    // Someone takes the state away and raises another window: the tick brings it back.
    X11Windows someoneElse;
    someoneElse.setTopmost(iptalk.id(), false);
    someoneElse.raise(other.id());
    EXPECT_TRUE(settles([&] { return windows.isTopmost(iptalk.id()) && onTop(iptalk.id()); }));

    // CmdIptalkPosition with -100: position kept, size changed.
    send("\x28-100 -100 800 200 1 0\n");
    EXPECT_TRUE(at(iptalk.id(), {100, 80, 800, 200}));

    // CmdIptalkHide: hidden, and it stays hidden while the keep-on-top timer runs.
    send("\x2b\n");
    ASSERT_TRUE(settles([&] { return !windows.isMapped(iptalk.id()); }));
    QTest::qWait(2500);
    EXPECT_FALSE(windows.isMapped(iptalk.id()));

    // CmdIptalkShow: back where it was, on top.
    send("\x33\n");
    ASSERT_TRUE(managed(windows, iptalk.id()));
    EXPECT_TRUE(at(iptalk.id(), {100, 80, 800, 200}));
    EXPECT_TRUE(settles([&] { return onTop(iptalk.id()); }));
}

// The display window, marked maximised so that IPtalk can stay above it, still covers the
// screen and still moves its frame's edges on command.
TEST_F(IptalkDisplayProcess, TheDisplayWindowCoversTheScreenAndItsEdgesStillMove) {
    startDisplay("NoTouch=1\r\n");
    const QString displayTitle = QStringLiteral("ZUL　表示画面 \u2014 ZUL");
    WindowId display = 0;
    ASSERT_TRUE(settles([&] {
        display = windows.findByTitle(displayTitle);
        return windows.isMapped(display);
    }));
    EXPECT_TRUE(at(display, {0, 0, 1280, 800}));
    send(
        "\x54"
        "4 1\n");  // CmdFramePosition: bottom edge up
    EXPECT_TRUE(at(display, {0, 0, 1280, 790}));
    send(
        "\x54"
        "2 1\n");  // left edge to the right
    EXPECT_TRUE(at(display, {10, 0, 1270, 790}));
}

TEST_F(IptalkDisplayProcess, FadeAndFileSetBatchesGoToChannel03OfTheOwnHost) {
    writeAll(dir_.filePath("set.rf1"), "[FileSet]\r\nIPtalkFile=" + sj("字幕設定.dp9") + "\r\n");
    startDisplay("SendCh=2\r\n");
    const QByteArray opening = sj("$set$999:＜番号付き表示設定ファイル２＞");

    // CmdFadeSetting switches fades on; CmdFade 128 passes the fade to IPtalk.
    send(
        "\x3b"
        "1,0\n");
    send(
        "\x3c"
        "128\n");
    ASSERT_TRUE(waitFor([&] { return datagrams.size() >= 6; }, 15000));
    EXPECT_EQ(datagrams, QByteArrayList({opening, sj("$set$401:true:フェードｏｎ"), "$end$",
                                         opening, sj("$set$402:128:フェードの量"), "$end$"}));

    // A file set's IPtalk file: IPtalk is told to load it.
    datagrams.clear();
    send("\x2aset.rf1\n");
    ASSERT_TRUE(waitFor([&] { return datagrams.size() >= 3; }, 15000));
    EXPECT_EQ(datagrams, QByteArrayList({opening, "$set$617:" + sj("字幕設定.dp9:設定の読込を指示"),
                                         "$end$"}));

    // With "ワイプを同期させない" (set by CmdIptalkPosition) a fade sends nothing.
    datagrams.clear();
    send("\x28-100 -100 -100 -100 0 1\n");
    send(
        "\x3c"
        "64\n");
    send(
        "\x3c"
        "255\n");
    QTest::qWait(1500);
    EXPECT_TRUE(datagrams.isEmpty());
}

}  // namespace
}  // namespace zul
