// The packet mirror's link to its target over real loopback sockets, its recovery, and the
// identity check that cuts rings of mirrors.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include "fakes.h"
#include "mirror_target.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "services/mirror_identity.h"
#include "services/packet_mirror.h"
#include "services/status_broadcaster.h"
#include "stalled_listener.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::sj;
using zul::test::waitFor;

namespace {

const QByteArray kIdentityPacket = QByteArray(1, char(70)) + "pc-a\n";

struct MirrorFixture {
    Settings settings;
    HubState hub;
    DebugLog log;
    test::RecordingErrors errors;
    test::RecordingDatagrams datagrams;
    StatusBroadcaster status{QByteArray("pc-a")};
    PacketMirror mirror{settings, hub, log, errors, status};
    QStringList statusTexts;
    bool displayOpen = true;

    MirrorFixture() {
        status.setSender(&datagrams);
        mirror.displayOpen = [this] { return displayOpen; };
        QObject::connect(&mirror, &PacketMirror::statusChanged,
                         [this](const QString& t) { statusTexts << t; });
    }
    void target(quint16 port) {
        settings.MirrorName.set(QStringLiteral("127.0.0.1"));
        settings.MirrorPort.set(port);
    }
    int count(const char* utf8) const { return static_cast<int>(log.lines().count(sj(utf8))); }
    bool logged(const QByteArray& line) const { return log.lines().contains(line); }
};

// A target display machine as the mirror sees it, with all that its connections sent.
struct Target : test::MirrorTarget {
    QByteArray all() const {
        QByteArray out;
        for (const QByteArray& r : received) {
            out += r;
        }
        return out;
    }
};

}  // namespace

TEST(MirrorIdentity, FirstSecondAndReturningIdentities) {
    struct Case {
        const char* stored;
        const char* received;
        bool introduction;
        MirrorIdentityVerdict verdict;
    };
    const Case cases[] = {
        {"", "pc-a", true, MirrorIdentityVerdict::Acquired},
        {"", "pc-a", false, MirrorIdentityVerdict::Acquired},
        {"pc-b", "pc-a", true, MirrorIdentityVerdict::Updated},
        {"pc-b", "pc-a", false, MirrorIdentityVerdict::Updated},
        // The upstream machine connected again: no ring.
        {"pc-a", "pc-a", true, MirrorIdentityVerdict::Reintroduced},
        // The identity came round the ring over the same upstream link.
        {"pc-a", "pc-a", false, MirrorIdentityVerdict::Loop},
        {"pc-a", "PC-A", false, MirrorIdentityVerdict::Updated},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(judgeMirrorIdentity(c.stored, c.received, c.introduction), c.verdict)
            << c.stored << " / " << c.received << " / " << c.introduction;
    }
}

TEST(PacketMirror, IdentityCheckLogsKeepsAndCutsTheRing) {
    MirrorFixture f;
    test::RecordingConnection upstream;
    f.settings.MirrorSel.set(true);

    // A ring A to B to A seen from B: A introduces itself, B has its own link open.
    EXPECT_TRUE(f.mirror.CmdMirrorId("pc-a", &upstream));
    EXPECT_EQ(f.hub.MirrorIdentity, "pc-a");
    EXPECT_EQ(f.log.lines().last(), sj("PKT受信[S]: ミラーID取得 (pc-a)"));

    // Another identity passed along the same link replaces it; the old one is logged.
    EXPECT_TRUE(f.mirror.CmdMirrorId("pc-c", &upstream));
    EXPECT_EQ(f.log.lines().last(), sj("PKT受信[S]: ミラーID更新 (pc-a)"));
    EXPECT_EQ(f.hub.MirrorIdentity, "pc-c");
    EXPECT_TRUE(f.datagrams.sent.isEmpty());

    // The held identity comes back over the same link: a ring.
    f.mirror.CmdMirrorId("pc-c", &upstream);
    EXPECT_FALSE(f.settings.MirrorSel());
    EXPECT_FALSE(f.mirror.isActive());
    const QByteArrayList& l = f.log.lines();
    EXPECT_EQ(l[l.size() - 2], sj("PKT受信[S]: 自発信ミラーIDを発見 (pc-c == pc-c)"));
    EXPECT_EQ(l.last(), sj("Error:メッセージループを検出。ミラー通信を遮断します。"));
    EXPECT_EQ(f.datagrams.sent,
              QByteArrayList{"ZUL,3,\x1e(pc-a)" +
                             sj("Error:メッセージループを検出。ミラー通信を遮断します。") + "\n"});
    // The identity is never cleared.
    EXPECT_EQ(f.hub.MirrorIdentity, "pc-c");
}

TEST(PacketMirror, UpstreamThatConnectsAgainIsNoRingAndIsNotPassedOn) {
    MirrorFixture f;
    f.settings.MirrorSel.set(true);
    test::RecordingConnection first;
    EXPECT_TRUE(f.mirror.CmdMirrorId("pc-a", &first));
    // Its link restarted (or every machine reconnected after a failure notice).
    test::RecordingConnection second;
    EXPECT_FALSE(f.mirror.CmdMirrorId("pc-a", &second));
    EXPECT_TRUE(f.settings.MirrorSel());
    EXPECT_EQ(f.count("Error:メッセージループを検出。ミラー通信を遮断します。"), 0);
    EXPECT_TRUE(f.datagrams.sent.isEmpty());
    EXPECT_TRUE(f.log.lines().last().startsWith(sj("PKT受信[S]: ミラーID再接続 (pc-a)")));
}

TEST(PacketMirror, ConnectsIntroducesItselfAndPassesPacketsOnInOrder) {
    MirrorFixture f;
    Target target;
    f.target(target.port());
    f.settings.MirrorSel.set(true);
    f.mirror.MirrorSelClick();
    ASSERT_TRUE(waitFor([&] { return f.mirror.isEstablished(); }));
    EXPECT_EQ(f.count("PKT送信[M]:ミラーを確立"), 1);
    EXPECT_EQ(f.mirror.errorCount(), 0);
    f.mirror.mirrorPacket(QByteArray(1, char(36)) + "one\n");
    f.mirror.mirrorPacket(QByteArray(1, char(36)) + "two\n");
    const QByteArray expected =
        kIdentityPacket + QByteArray(1, char(36)) + "one\n" + QByteArray(1, char(36)) + "two\n";
    ASSERT_TRUE(waitFor([&] { return target.all() == expected; })) << target.all().constData();
    EXPECT_GE(f.count("PKT送信[M]:ミラー送信"), 1);

    // Replies of the target are dropped, with a log line.
    target.links[0]->write("reply\n");
    EXPECT_TRUE(waitFor([&] { return f.count("PKT送信[M]:ミラー受信") >= 1; }));

    // Opening again towards the same target keeps the link: the target sees no second
    // connection (which would bring it the same identity again).
    f.mirror.open();
    QTest::qWait(200);
    EXPECT_EQ(target.links.size(), 1u);
    EXPECT_TRUE(f.errors.messages.isEmpty());
}

TEST(PacketMirror, MirrorSwitchActsOnlyWhileTheDisplayRuns) {
    MirrorFixture f;
    Target target;
    f.target(target.port());
    f.displayOpen = false;
    f.settings.MirrorSel.set(true);
    f.mirror.MirrorSelClick();
    QTest::qWait(200);
    EXPECT_FALSE(f.mirror.isActive());
    EXPECT_TRUE(target.links.empty());

    f.displayOpen = true;
    f.mirror.MirrorSelClick();
    ASSERT_TRUE(waitFor([&] { return f.mirror.isEstablished(); }));
    f.settings.MirrorSel.set(false);
    f.mirror.MirrorSelClick();
    EXPECT_FALSE(f.mirror.isActive());
    EXPECT_FALSE(f.mirror.mirrorWanted());
    ASSERT_TRUE(
        waitFor([&] { return target.links[0]->state() != QAbstractSocket::ConnectedState; }));
    EXPECT_TRUE(f.errors.messages.isEmpty());
}

TEST(PacketMirror, PacketsExecutedWhileConnectingAreNotPassedOnLater) {
    MirrorFixture f;
    test::StalledListener target;
    ASSERT_TRUE(target.ok());
    f.target(target.port());
    f.settings.MirrorSel.set(true);
    f.mirror.open();
    QTest::qWait(200);
    ASSERT_TRUE(f.mirror.isActive());
    ASSERT_FALSE(f.mirror.isEstablished());
    EXPECT_TRUE(f.mirror.mirrorWanted());
    f.mirror.mirrorPacket(QByteArray(1, char(36)) + "while connecting\n");

    target.release();
    ASSERT_TRUE(waitFor([&] { return f.mirror.isEstablished(); }, 10000));
    f.mirror.mirrorPacket(QByteArray(1, char(36)) + "after\n");
    QTest::qWait(200);
    const int link = target.acceptNext();
    ASSERT_GE(link, 0);
    QByteArray got;
    ASSERT_TRUE(waitFor([&] {
        got += test::StalledListener::readAvailable(link);
        return got.endsWith("after\n");
    }));
    EXPECT_EQ(got, kIdentityPacket + QByteArray(1, char(36)) + "after\n");
}

TEST(PacketMirror, UnreachableTargetFiveAttemptsThenFourMoreEveryTenSeconds) {
    MirrorFixture f;
    f.target(test::freeTcpPort());  // nothing listens: every attempt is refused
    f.settings.MirrorSel.set(true);
    QElapsedTimer t;
    t.start();
    f.mirror.open();
    const char* repair = "【通信故障を修復します】at Mirror";
    const char* giveUp = "【Mirror通信故障を修復できません】５トライ接続不可";
    ASSERT_TRUE(waitFor([&] { return f.count(giveUp) == 1; }));
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(f.count(repair), 5);
    EXPECT_EQ(f.errors.messages.size(), 5);
    EXPECT_EQ(f.statusTexts.last(),
              QStringLiteral("エラー：ミラーの通信障害が発生し、通信が途絶えています。"));
    EXPECT_TRUE(f.statusTexts.contains(QStringLiteral("ミラーの通信故障修復中")));
    EXPECT_FALSE(f.mirror.isActive());
    // Given up, the link stays quiet until the retry timer.
    QTest::qWait(1000);
    EXPECT_EQ(f.count(repair), 5);

    ASSERT_TRUE(waitFor([&] { return f.count(giveUp) == 2; }, 12000));
    EXPECT_GE(t.elapsed(), PacketMirror::kRetryIntervalMs - 500);
    EXPECT_EQ(f.count(repair), 9);
    EXPECT_EQ(f.mirror.errorCount(), PacketMirror::kMaxTries);
}

TEST(PacketMirror, TargetThatGoesAwayIsReconnected) {
    MirrorFixture f;
    Target target;
    f.target(target.port());
    f.settings.MirrorSel.set(true);
    f.mirror.open();
    ASSERT_TRUE(
        waitFor([&] { return target.received.size() == 1 && !target.received[0].isEmpty(); }));
    target.links[0]->close();
    ASSERT_TRUE(
        waitFor([&] { return target.received.size() == 2 && !target.received[1].isEmpty(); }));
    EXPECT_EQ(target.received[1], kIdentityPacket);
    EXPECT_EQ(f.count("【通信故障を修復します】at Mirror"), 1);
    EXPECT_EQ(f.mirror.errorCount(), 0);
}

TEST(PacketMirror, CloseCancelsARetryThatWasAlreadyDue) {
    // The first refusal queues the next attempt and then reports the error; a close right
    // then (the display role stopped from the dialog that the error opened) must win.
    struct ClosingErrors : ErrorSink {
        PacketMirror* mirror = nullptr;
        int reports = 0;
        void reportError(const QString&) override {
            ++reports;
            mirror->close();
        }
    } errors;
    MirrorFixture f;
    PacketMirror mirror(f.settings, f.hub, f.log, errors, f.status);
    errors.mirror = &mirror;
    f.target(test::freeTcpPort());
    f.settings.MirrorSel.set(true);
    mirror.open();
    ASSERT_TRUE(waitFor([&] { return errors.reports >= 1; }));
    QTest::qWait(300);
    EXPECT_EQ(errors.reports, 1);
    EXPECT_EQ(f.count("【通信故障を修復します】at Mirror"), 1);
    EXPECT_FALSE(mirror.isActive());
}

TEST(PacketMirror, NoInnerLineFeedReachesTheTarget) {
    MirrorFixture f;
    Target target;
    f.target(target.port());
    f.mirror.open();
    ASSERT_TRUE(waitFor([&] { return f.mirror.isEstablished(); }));
    // An internal packet (a macro's) may hold a line break; the target would run what
    // follows it as a packet of its own.
    f.mirror.mirrorPacket(QByteArray(1, char(31)) + "a.jpg\r\n" + char(53) + "key,/\n");
    f.mirror.mirrorPacket(QByteArray(1, char(36)) + "next\n");
    const QByteArray expected =
        kIdentityPacket + QByteArray(1, char(31)) + "a.jpg\r\n" + char(36) + "next\n";
    ASSERT_TRUE(waitFor([&] { return target.all() == expected; })) << target.all().constData();
}

TEST(PacketMirror, TargetThatNeverReadsDoesNotGrowTheQueueWithoutEnd) {
    const QByteArray packet = QByteArray(1, char(36)) + QByteArray(257, 'x') + '\n';
    const QByteArray rebuilt = sj("PKT送信[M]:ミラー先が受信しないため未送信のデータが ");
    auto dropped = [&](const MirrorFixture& f) {
        return std::any_of(f.log.lines().begin(), f.log.lines().end(),
                           [&](const QByteArray& l) { return l.startsWith(rebuilt); });
    };
    // Sends packets as a busy display machine executes them, a few between events, until
    // `bytes` are sent or the link is dropped.
    auto pump = [&](MirrorFixture& f, qint64 bytes) {
        qint64 sent = 0;
        QElapsedTimer t;
        t.start();
        while (sent < bytes && !dropped(f) && t.elapsed() < 30000) {
            for (int i = 0; i < 20 && f.mirror.isEstablished(); ++i) {
                f.mirror.mirrorPacket(packet);
                sent += packet.size();
            }
            QCoreApplication::processEvents();
        }
        return sent;
    };

    {  // A target that reads takes any amount.
        MirrorFixture f;
        Target target;
        f.target(target.port());
        f.mirror.open();
        ASSERT_TRUE(waitFor([&] { return f.mirror.isEstablished(); }));
        const qint64 sent = pump(f, 3 * PacketMirror::kMaxUnsentBytes);
        EXPECT_FALSE(dropped(f));
        EXPECT_TRUE(
            waitFor([&] { return target.all().size() == sent + kIdentityPacket.size(); }, 20000));
    }
    {  // One that reads next to nothing loses its link once the backlog is full.
        MirrorFixture f;
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        f.target(server.serverPort());
        f.mirror.open();
        ASSERT_TRUE(waitFor([&] { return f.mirror.isEstablished(); }));
        QTcpSocket* link = server.nextPendingConnection();
        ASSERT_NE(link, nullptr);
        link->setReadBufferSize(1);
        pump(f, 10 * PacketMirror::kMaxUnsentBytes);
        EXPECT_TRUE(dropped(f));
        EXPECT_EQ(f.count("【通信故障を修復します】at Mirror"), 1);
    }
}
