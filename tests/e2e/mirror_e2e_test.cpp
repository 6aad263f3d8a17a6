// Real display machines that mirror to each other over the loopback: each zul runs under a
// host name of its own (a UTS namespace), as on separate PCs, since the mirror identity is
// the host name. What a machine executed is read back from its log (CmdDebugLog).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
using zul::test::sj;
using zul::test::writeAll;

namespace {

constexpr int kWaitMs = 15000;

// How to give a process a host name of its own here, or nothing.
QStringList utsNamespace() {
    for (const QStringList& cmd : {QStringList{"unshare", "-u"}, QStringList{"unshare", "-ru"}}) {
        QProcess probe;
        probe.start(cmd.front(), cmd.mid(1) + QStringList{"hostname", "zul-probe"});
        if (probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            return cmd;
        }
    }
    return {};
}

QByteArray caption(const QByteArray& text) {
    return QByteArray(1, char(36)) + text + '\n';
}

// The receive log line of a caption packet.
QByteArray captionReceived(const QByteArray& text) {
    return sj("PKT受信[S]: Cmd(036[1行更新") + QByteArray(33, ' ') + "]) Op(" + text + ")";
}

class Machine {
public:
    Machine(QByteArray host, QStringList uts) : host_(std::move(host)), uts_(std::move(uts)) {
        port_ = freeTcpPort(QHostAddress::AnyIPv4);
    }
    ~Machine() { stop(); }

    const QByteArray& host() const { return host_; }
    quint16 port() const { return port_; }
    QString folder() const { return dir_.path(); }

    // Startup settings: the display role on this machine's port, mirroring to `target`.
    void configure(const Machine* target) {
        QByteArray text = "[Server]\r\nPort=" + QByteArray::number(port_) +
                          "\r\n[IPtalk]\r\nNoTouch=1\r\n[RUN]\r\nServerNow=1\r\n";
        if (target != nullptr) {
            text += "[Mirror]\r\nMirrorRun=1\r\nHost=127.0.0.1\r\nPort=" +
                    QByteArray::number(target->port()) + "\r\n";
        }
        writeAll(dir_.filePath("startup.rd1"), text);
    }

    // Starts zul and waits until its display role takes connections.
    bool start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(dir_.path());
        process_.setStandardErrorFile(dir_.filePath("stderr.txt"));
        process_.start(uts_.front(),
                       uts_.mid(1) + QStringList{"sh", "-c", "hostname \"$0\" && exec \"$1\"",
                                                 QString::fromLatin1(host_), ZUL_BINARY});
        if (!process_.waitForStarted(kWaitMs)) {
            return false;
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kWaitMs) {
            op_.connectToHost(QStringLiteral("127.0.0.1"), port_);
            if (op_.waitForConnected(500)) {
                return true;
            }
            op_.abort();
            QThread::msleep(100);
        }
        return false;
    }

    void stop() {
        op_.abort();
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(10000)) {
                process_.kill();
                process_.waitForFinished(5000);
            }
        }
    }

    // Sends packets as an operator of this machine.
    void send(const QByteArray& packets) {
        op_.write(packets);
        op_.waitForBytesWritten(2000);
    }

    // The machine's log as it stands.
    QByteArrayList log() {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), port_);
        if (!s.waitForConnected(2000)) {
            return {};
        }
        s.write("\x32\n");  // CmdDebugLog
        QByteArray all;
        while (s.waitForReadyRead(400)) {
            all += s.readAll();
        }
        QByteArrayList lines;
        for (const QByteArray& p : all.split('\n')) {
            if (p.startsWith('\x32')) {
                lines << p.mid(1);
            }
        }
        return lines;
    }

    // Waits until the log holds `line` (at least `times` times).
    bool waitForLine(const QByteArray& line, int times = 1, int ms = kWaitMs) {
        return waitForLog([&](const QByteArrayList& l) { return l.count(line) >= times; }, ms);
    }
    // Waits until a line of the log starts with `start`.
    bool waitForStart(const QByteArray& start) {
        return waitForLog([&](const QByteArrayList& l) {
            return std::any_of(l.begin(), l.end(),
                               [&](const QByteArray& x) { return x.startsWith(start); });
        });
    }
    template <typename Predicate>
    bool waitForLog(Predicate done, int ms = kWaitMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (done(log())) {
                return true;
            }
            QThread::msleep(200);
        }
        return false;
    }

    int count(const QByteArray& line) { return static_cast<int>(log().count(line)); }
    int countStarting(const QByteArray& start) {
        const QByteArrayList l = log();
        return static_cast<int>(std::count_if(
            l.begin(), l.end(), [&](const QByteArray& x) { return x.startsWith(start); }));
    }

private:
    QByteArray host_;
    QStringList uts_;
    quint16 port_ = 0;
    QTemporaryDir dir_;
    QProcess process_;
    QTcpSocket op_;
};

class MirrorMachines : public ::testing::Test {
protected:
    void SetUp() override {
        uts_ = utsNamespace();
        if (uts_.isEmpty()) {
            GTEST_SKIP() << "no UTS namespace for separate host names (unshare -u)";
        }
    }
    QStringList uts_;
};

const QByteArray kEstablished = sj("PKT送信[M]:ミラーを確立");
const QByteArray kLoopFound = sj("PKT受信[S]: 自発信ミラーIDを発見");
const QByteArray kLoopError = sj("Error:メッセージループを検出。ミラー通信を遮断します。");

}  // namespace

TEST_F(MirrorMachines, ChainPassesEverythingOnAndSurvivesRestarts) {
    Machine a("zul-a", uts_), b("zul-b", uts_), c("zul-c", uts_);
    a.configure(&b);
    b.configure(&c);
    c.configure(nullptr);
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(b.start());
    ASSERT_TRUE(b.waitForLine(kEstablished));
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(a.waitForLine(kEstablished));

    a.send(caption("chain 1") + caption("chain 2") + caption("chain 3"));
    ASSERT_TRUE(c.waitForLine(captionReceived("chain 3")));
    for (Machine* m : {&b, &c}) {
        const QByteArrayList l = m->log();
        const qsizetype one = l.indexOf(captionReceived("chain 1"));
        const qsizetype two = l.indexOf(captionReceived("chain 2"));
        const qsizetype three = l.indexOf(captionReceived("chain 3"));
        EXPECT_TRUE(one >= 0 && one < two && two < three) << m->host().constData();
    }
    // An over-long packet: A runs its first 259 bytes, and exactly those go on.
    const QByteArray longText = QByteArray(300, 'L') + "-tail";
    a.send(caption(longText));
    ASSERT_TRUE(c.waitForLine(captionReceived(QByteArray(258, 'L'))));
    EXPECT_EQ(a.count(captionReceived(longText)), 1);
    EXPECT_EQ(b.count(captionReceived(QByteArray(258, 'L'))), 1);

    // B holds A's identity; C first held B's, then A's came along the chain.
    EXPECT_EQ(b.count(sj("PKT受信[S]: ミラーID取得 (zul-a)")), 1);
    EXPECT_EQ(c.count(sj("PKT受信[S]: ミラーID取得 (zul-b)")), 1);
    EXPECT_EQ(c.count(sj("PKT受信[S]: ミラーID更新 (zul-b)")), 1);

    // A restarts: it introduces itself again on a new link. That is no ring; B's link to C
    // stays and the chain goes on.
    a.stop();
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(a.waitForLine(kEstablished));
    a.send(caption("chain 4"));
    ASSERT_TRUE(c.waitForLine(captionReceived("chain 4")));
    EXPECT_TRUE(b.waitForStart(sj("PKT受信[S]: ミラーID再接続 (zul-a)")));

    // B restarts: A's link breaks, A gives up after five attempts, and its retry timer
    // brings the link back within ten seconds.
    b.stop();
    ASSERT_TRUE(b.start());
    ASSERT_TRUE(b.waitForLine(kEstablished));
    ASSERT_TRUE(a.waitForLine(kEstablished, 2, 20000));
    EXPECT_GE(a.count(sj("【通信故障を修復します】at Mirror")), 1);
    a.send(caption("chain 5"));
    ASSERT_TRUE(c.waitForLine(captionReceived("chain 5")));
    EXPECT_TRUE(b.waitForLine(captionReceived("chain 5")));

    for (Machine* m : {&a, &b, &c}) {
        EXPECT_EQ(m->countStarting(kLoopFound), 0) << m->host().constData();
        EXPECT_EQ(m->count(kLoopError), 0) << m->host().constData();
    }
}

TEST_F(MirrorMachines, RingIsCutOnceAndPacketsThenFlowOneWay) {
    Machine a("zul-a", uts_), b("zul-b", uts_);
    a.configure(nullptr);
    b.configure(&a);
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(b.start());
    ASSERT_TRUE(b.waitForLine(kEstablished));

    // A is told to mirror to B as well, by a settings file loaded over the network: the
    // ring A to B to A closes.
    writeAll(a.folder() + "/ring.rd1",
             "[IPtalk]\r\nNoTouch=1\r\n[Mirror]\r\nMirrorRun=1\r\n"
             "Host=127.0.0.1\r\nPort=" +
                 QByteArray::number(b.port()) + "\r\n");
    a.send(QByteArray(1, char(39)) + "ring.rd1\n");  // CmdSettingsLoad
    ASSERT_TRUE(a.waitForLine(kEstablished));

    // B holds A's identity when it comes back round: B cuts its own link to A.
    ASSERT_TRUE(b.waitForLine(sj("PKT受信[S]: 自発信ミラーIDを発見 (zul-a == zul-a)")));
    EXPECT_EQ(b.count(kLoopError), 1);
    // Its status line went out by UDP (B hears its own broadcast).
    EXPECT_TRUE(
        b.waitForLine(sj("PKT受信[U]: server=[127.0.0.1           ] Cmd(003) Op(\x1e(zul-b)") +
                      kLoopError + ") [run]"))
        << "no status line";
    EXPECT_EQ(a.countStarting(kLoopFound), 0);

    // Afterwards A to B only.
    a.send(caption("from a"));
    ASSERT_TRUE(b.waitForLine(captionReceived("from a")));
    b.send(caption("from b"));
    ASSERT_TRUE(b.waitForLine(captionReceived("from b")));
    QThread::msleep(1000);
    EXPECT_EQ(a.count(captionReceived("from b")), 0);
    EXPECT_EQ(a.count(captionReceived("from a")), 1);
    EXPECT_EQ(b.count(kLoopError), 1) << "cut once";
}
