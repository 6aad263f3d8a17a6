// UDP services on a real socket. The broadcast address is 127.0.0.1, so every line this
// copy sends comes back to its own socket, as a copy's own broadcasts do on a network.
#include <gtest/gtest.h>

#include <QTest>
#include <QUdpSocket>

#include "fakes.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/peer_list.h"
#include "model/settings.h"
#include "platform/Hmudp.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "recording_dialogs.h"
#include "services/udp_discovery.h"
#include "test_support.h"

using namespace zul;
using zul::test::freeUdpPort;
using zul::test::RecordingDialogs;
using zul::test::sj;
using zul::test::waitFor;

namespace {

constexpr int kWaitMs = 3000;

struct Fixture {
    Settings settings;
    HubState hub;
    DebugLog log;
    RecordingDialogs dialogs;
    test::RecordingExecutor executor;
    PeerList peers;
    UdpDiscovery udp{settings, hub, log, dialogs, executor, peers, QByteArray("hallpc")};
    bool displayOpen = false;
    bool operatorOpen = false;
    QStringList actions;

    explicit Fixture(bool open = true) {
        settings.Port.set(freeUdpPort(QHostAddress::AnyIPv4));
        udp.setCardSource([](int) {
            UdpDiscovery::CardChoice c;
            c.entries = {QStringLiteral("lo                   (127.000.000.001) ")};
            c.selected = 0;
            c.address = QByteArray("127.0.0.1");
            return c;
        });
        UdpDiscovery::Hooks h;
        h.displayOpen = [this] { return displayOpen; };
        h.operatorOpen = [this] { return operatorOpen; };
        h.startOperatorRole = [this] { actions << QStringLiteral("start operator"); };
        h.reconnectOperator = [this] { actions << QStringLiteral("reconnect operator"); };
        h.reconnectMirror = [this] { actions << QStringLiteral("reconnect mirror"); };
        h.refreshPartsList = [this] { actions << QStringLiteral("parts"); };
        h.refreshFileList = [this] { actions << QStringLiteral("files"); };
        udp.setHooks(h);
        if (open) {
            udp.open();
            EXPECT_TRUE(waitFor([this] { return udp.socket().GetState() == THmSocketState::Open; },
                                kWaitMs));
        }
    }

    void receive(const QByteArray& datagram) { udp.UdpSocketReceive("10.0.0.9", datagram); }
    int logCount(const QByteArray& part) const {
        int n = 0;
        for (const QByteArray& l : log.lines()) {
            n += l.contains(part) ? 1 : 0;
        }
        return n;
    }
};

}  // namespace

TEST(UdpDiscovery, ACopyAnswersItsOwnRequestAndListsItself) {
    Fixture f;
    EXPECT_TRUE(f.log.lines().contains("PKT-OK[U]:[IP_BC]127.0.0.1"));
    EXPECT_TRUE(f.log.lines().contains("PKT-OK[U]:[On Open]"));
    f.udp.Button25Click();
    ASSERT_TRUE(waitFor([&] { return !f.peers.entries().isEmpty(); }, kWaitMs));
    EXPECT_EQ(f.peers.entries(), QStringList{QStringLiteral("[W]hallpc")});
    EXPECT_EQ(f.logCount(sj("PKT受信[U]: server=[127.0.0.1           ] Cmd(001) Op() [run]")), 1);
    EXPECT_EQ(f.logCount("Cmd(002) Op(WA,hallpc) [run]"), 1);
}

TEST(UdpDiscovery, AnswersCarryTheRole) {
    struct Case {
        bool display;
        bool op;
        const char* role;
    };
    for (const Case c :
         {Case{true, true, "SE"}, Case{false, true, "CL"}, Case{false, false, "WA"}}) {
        Fixture f(false);
        f.displayOpen = c.display;
        f.operatorOpen = c.op;
        EXPECT_EQ(f.udp.role(), QByteArray(c.role));
    }
}

TEST(UdpDiscovery, MagicMustBeExactButSeparatorsMayBeAnything) {
    Fixture f;
    f.peers.add(QStringLiteral("[C]old"));
    f.receive("zul,1,\n");
    EXPECT_EQ(f.logCount(sj("PKT受信[U]: server=[10.0.0.9            ] Cmd(001) Op()[broken]")), 1);
    EXPECT_EQ(f.peers.entries().size(), 1);  // not answered: the list was not cleared

    f.receive("ZUL;1;\n");
    EXPECT_TRUE(f.peers.entries().isEmpty());  // a request empties the list...
    ASSERT_TRUE(
        waitFor([&] { return !f.peers.entries().isEmpty(); }, kWaitMs));  // ...and is answered
}

TEST(UdpDiscovery, DisplayAnswerAsksOncePerRunAndListsEveryAnswer) {
    Fixture f(false);
    f.dialogs.answers.enqueue(true);
    f.receive("ZUL,2,SE,hallpc\n");
    ASSERT_EQ(f.dialogs.messages.size(), 1);
    EXPECT_EQ(f.dialogs.lastText(),
              QStringLiteral("表示機がネットワーク上に見つかりました。接続しますか？"));
    EXPECT_EQ(f.dialogs.lastTitle(), QStringLiteral("**ネットワーク上の表示機発見**"));
    EXPECT_EQ(f.settings.ClientName(), QStringLiteral("hallpc"));
    EXPECT_EQ(f.actions, QStringList{"start operator"});

    f.receive("ZUL,2,se,hall2\n");
    f.receive("ZUL,2,CL,deskpc\n");
    EXPECT_EQ(f.dialogs.messages.size(), 1);
    EXPECT_EQ(f.peers.entries(), (QStringList{"[C]deskpc", "[s]hall2", "[S]hallpc"}));
    EXPECT_EQ(f.actions.size(), 1);
}

// Answers are listed without a duplicate check: one host sending answers and never a
// request grew both peer lists by one entry per datagram, and each entry refilled both
// list boxes, so a plain UDP flood blinded the display machine for minutes.
TEST(UdpDiscovery, PeerListsStayBoundedUnderAFloodOfAnswers) {
    Fixture f;
    f.displayOpen = true;
    int refills = 0;
    QObject::connect(&f.peers, &PeerList::changed, [&] { ++refills; });
    // The log empties itself now and then under so many lines: catch the line as it comes.
    const QByteArray full = sj("仲間の一覧が1000件に達したため、これ以上の応答は載せません。");
    int fullLines = 0;
    QObject::connect(&f.log, &DebugLog::lineAdded,
                     [&](const QByteArray& line) { fullLines += line == full ? 1 : 0; });
    const qsizetype flood = PeerList::kMaxEntries + 3000;
    for (qsizetype i = 0; i < flood; ++i) {
        f.receive("ZUL,2,SE,pc" + QByteArray::number(i) + "\n");
    }
    EXPECT_EQ(f.peers.entries().size(), PeerList::kMaxEntries);
    EXPECT_EQ(refills, PeerList::kMaxEntries);
    EXPECT_EQ(fullLines, 1);
    // A request starts the list afresh.
    f.receive("ZUL,1,\n");
    f.receive("ZUL,2,CL,deskpc\n");
    EXPECT_EQ(f.peers.entries(), QStringList{"[C]deskpc"});
}

TEST(UdpDiscovery, NoQuestionWhileARoleRunsOrAfterNo) {
    Fixture f(false);
    f.operatorOpen = true;
    f.receive("ZUL,2,SE,hallpc\n");
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
    f.operatorOpen = false;
    f.dialogs.answers.enqueue(false);
    f.receive("ZUL,2,SE,hallpc\n");
    EXPECT_EQ(f.dialogs.messages.size(), 1);
    EXPECT_EQ(f.settings.ClientName(), QStringLiteral("localhost"));
    EXPECT_TRUE(f.actions.isEmpty());
}

TEST(UdpDiscovery, StatusLineTextUpToTheFirstBlankGoesToTheInterpreter) {
    Fixture f(false);
    f.receive("ZUL,3,\x1e" + sj("(pc1)ファイルロードを準備中・・(a b.jpg)") + "\n");
    ASSERT_EQ(f.executor.packets.size(), 1);
    EXPECT_EQ(f.executor.packets[0], "\x1e" + sj("(pc1)ファイルロードを準備中・・(a"));
}

// A status line reaches every copy from any host, with no connection: only its one
// command, CmdMessage (byte 30), may run. Settings save, settings load, base directory
// change, file loads and every other byte are logged and dropped.
TEST(UdpDiscovery, StatusLinesRunOnlyAsMessages) {
    Fixture f;
    QByteArrayList hostile = {"ZUL,3,\n", "ZUL,3,", "ZUL,3,\x01x\n", "ZUL,3,\x1dx\n",
                              "ZUL,3,\xc8x\n"};
    for (int byte = 31; byte <= 85; ++byte) {
        // Enough operand for every command: a mode, a name, a key and a folder.
        hostile << QByteArray("ZUL,3,") + char(byte) + "1,startup\n";
    }
    QUdpSocket sender;
    for (const QByteArray& d : hostile) {
        sender.writeDatagram(d, QHostAddress::LocalHost, f.settings.Port());
    }
    const QByteArray message = "ZUL,3,\x1e" + sj("【opmachine】休憩です") + "\n";
    sender.writeDatagram(message, QHostAddress::LocalHost, f.settings.Port());
    ASSERT_TRUE(waitFor([&] { return f.logCount(sj("休憩です")) > 0; }, kWaitMs));
    EXPECT_EQ(f.executor.packets, QByteArrayList{"\x1e" + sj("【opmachine】休憩です")});
    EXPECT_EQ(f.logCount(sj("状態行がメッセージ転送ではないため破棄しました。")), hostile.size());
    EXPECT_EQ(f.logCount(sj("破棄しました。(先頭バイト:71)")), 1);  // CmdSettingsSave
    EXPECT_EQ(f.logCount(sj("破棄しました。(先頭バイト:なし)")), 2);
}

TEST(UdpDiscovery, NoticesAndFailureNotice) {
    struct Case {
        QByteArray datagram;
        QStringList actions;
    };
    const Case cases[] = {
        {"ZUL,5,ALL\n", {"parts", "files"}},
        {"ZUL,5,vl\n", {"parts"}},
        {"ZUL,5,DIR\n", {"files"}},
        {"ZUL,0,x\n", {}},
        {"ZUL,7,x\n", {}},
        {"ZUL,4,\n", {"reconnect operator"}},
    };
    for (const Case& c : cases) {
        Fixture f(false);
        f.receive(c.datagram);
        EXPECT_EQ(f.actions, c.actions) << c.datagram.constData();
    }
    Fixture f(false);
    f.displayOpen = true;
    f.settings.MirrorSel.set(true);
    f.receive("ZUL,4,\n");
    EXPECT_EQ(f.actions, (QStringList{"reconnect operator", "reconnect mirror"}));
    EXPECT_EQ(f.logCount(sj("通信故障通知を受信。復帰処理をおこないます。")), 1);
}

TEST(UdpDiscovery, GarbageDatagramsAreOnlyLogged) {
    Fixture f(false);
    for (const QByteArray& d : {QByteArray(), QByteArray("Z"), QByteArray("ZUL"),
                                QByteArray("ZUL,"), QByteArray("ZUL,x,1"), QByteArray(3000, 'A'),
                                QByteArray("ZUL,3,\x1e") + QByteArray(5000, 'q')}) {
        f.receive(d);
    }
    ASSERT_EQ(f.executor.packets.size(), 1);
    EXPECT_EQ(f.executor.packets[0].size(), 1023);  // the operand is bounded
}

TEST(UdpDiscovery, PeriodicDiscoveryWaitsForTheHubAndStopsForDisplaysAndTheSwitch) {
    Fixture f;
    auto requests = [&] { return f.logCount("Cmd(001) Op() [run]"); };
    f.udp.BCastTimer();
    f.hub.HubShown = true;
    f.displayOpen = true;
    f.udp.BCastTimer();
    f.displayOpen = false;
    f.settings.chkUDPkick.set(true);
    f.udp.BCastTimer();
    QTest::qWait(100);
    EXPECT_EQ(requests(), 0);
    f.settings.chkUDPkick.set(false);
    f.udp.BCastTimer();
    ASSERT_TRUE(waitFor([&] { return requests() == 1; }, kWaitMs));
}

TEST(UdpDiscovery, DoubleClickTakesOnlyDisplayEntries) {
    Fixture f(false);
    f.udp.NetListDblClick(QStringLiteral("[C]deskpc"));
    EXPECT_EQ(f.settings.ClientName(), QStringLiteral("localhost"));
    f.udp.NetListDblClick(QStringLiteral("[s]hallpc"));
    EXPECT_EQ(f.settings.ClientName(), QStringLiteral("hallpc"));
}

TEST(UdpDiscovery, PortChangeReopensOnTheNewPort) {
    Fixture f;
    const int port = freeUdpPort(QHostAddress::AnyIPv4);
    f.settings.Port.set(port);
    f.udp.PortChange();
    EXPECT_EQ(f.udp.socket().GetLocalPort(), port);
    EXPECT_TRUE(f.log.lines().contains("PKT-OK[U]:[On Close]"));
}

TEST(UdpDiscovery, SendErrorIsLoggedAndRaised) {
    Fixture f;
    f.hub.BroadcastAddress.clear();
    f.udp.setCardSource([](int) { return UdpDiscovery::CardChoice{}; });
    f.hub.BroadcastAddress = "";
    EXPECT_THROW(f.udp.sendLine("ZUL,1,\n"), ZulError);
    EXPECT_TRUE(f.log.lines().contains("PKT-ERR[U]:[On Error]"));
}

TEST(UdpDiscovery, PeriodicDiscoveryErrorsReachTheErrorHandler) {
    Fixture f;
    test::RecordingErrors errors;
    f.udp.setErrorSink(&errors);
    f.hub.HubShown = true;
    // No card gives an address: the fallback subnet is unreachable from this namespace.
    f.udp.setCardSource([](int) { return UdpDiscovery::CardChoice{}; });
    f.hub.BroadcastAddress = "192.168.0.255";
    f.udp.bcastTimer().setInterval(10);
    ASSERT_TRUE(waitFor([&] { return !errors.messages.isEmpty(); }, kWaitMs));
    EXPECT_TRUE(errors.messages.first().startsWith(QStringLiteral("送信中 : ")));
}
