// The display listener and the operator connection on real sockets over 127.0.0.1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "commands/display_reader.h"
#include "commands/interpreter.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/setting.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/tcp_close_probe.h"
#include "protocol/receive_log.h"
#include "recording_dialogs.h"
#include "services/watchdog.h"
#include "shell/display_listener.h"
#include "shell/operator_connection.h"
#include "test_support.h"

using namespace zul;
using zul::test::freeTcpPort;
using zul::test::RecordingDialogs;
using zul::test::sj;
using zul::test::waitFor;

namespace {

// A display machine: listener, interpreter and watchdog, with an echo command that
// answers the asking connection with its own operand.
struct DisplayMachine {
    HubState hub;
    DebugLog log;
    test::RecordingErrors errors;
    Setting<bool> watchdogOff{false};
    WatchDogService watchdog{log, watchdogOff};
    Interpreter interpreter{log};
    DisplayReader reader{interpreter, log, errors};
    DisplayListener listener{hub, reader, watchdog, errors, log};
    QByteArrayList executed;
    QStringList statuses;

    DisplayMachine() {
        interpreter.setHandler(Cmd::CmdLineUpdate, [this](PacketContext& c) {
            executed << c.operand();
            c.reply(QByteArray("\x4b") + c.operand() + "\n");  // CmdCpuLoadReply
        });
        QObject::connect(&listener, &DisplayListener::statusChanged,
                         [this](const QString& s) { statuses << s; });
    }
};

QByteArray lineUpdate(const QByteArray& text) {
    return QByteArray("\x24") + text + "\n";
}

std::unique_ptr<QTcpSocket> client(quint16 port) {
    auto s = std::make_unique<QTcpSocket>();
    s->connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(s->waitForConnected(3000));
    return s;
}

// Closes `socket` with a reset instead of an orderly close.
void resetConnection(QTcpSocket& socket) {
    const linger now{1, 0};
    ASSERT_EQ(::setsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &now,
                           sizeof now),
              0);
    socket.abort();
}

}  // namespace

TEST(DisplayListener, AResetIsAFailureAndAnOrderlyCloseIsNot) {
    for (const bool reset : {false, true}) {
        DisplayMachine d;
        const quint16 port = freeTcpPort();
        ASSERT_TRUE(d.listener.open(port));
        auto op = client(port);
        ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 1; }));
        if (reset) {
            resetConnection(*op);
        } else {
            op->disconnectFromHost();
        }
        ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 0; })) << reset;
        const QString failed =
            QStringLiteral("表示機として起動中：1機接続中／いくつかの操作機が通信故障");
        EXPECT_EQ(d.statuses.contains(failed), reset);
        EXPECT_EQ(d.errors.messages,
                  reset ? QStringList{TcpCloseProbe::resetText()} : QStringList{});
    }
}

TEST(DisplayListener, TwoOperatorsRepliesGoToTheirOwnSender) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    auto a = client(port);
    auto b = client(port);
    ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 2; }));
    EXPECT_EQ(d.statuses.last(), QStringLiteral("表示機として起動中：2機接続中"));

    a->write(lineUpdate("from-a"));
    b->write(lineUpdate("from-b"));
    QByteArray gotA;
    QByteArray gotB;
    ASSERT_TRUE(waitFor([&] {
        gotA += a->readAll();
        gotB += b->readAll();
        return gotA.endsWith('\n') && gotB.endsWith('\n');
    }));
    EXPECT_EQ(gotA, QByteArray("\x4b") + "from-a\n");
    EXPECT_EQ(gotB, QByteArray("\x4b") + "from-b\n");
    EXPECT_EQ(d.statuses.last(), QStringLiteral("表示機として起動中：2機接続中／待機中"));

    a->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 1; }));
    d.listener.close();
    ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 0; }));
}

TEST(DisplayListener, HalfPacketsOfTwoOperatorsNeverMix) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    auto a = client(port);
    auto b = client(port);
    a->write(
        "\x24"
        "AAA");
    a->flush();
    QTest::qWait(50);
    b->write(lineUpdate("BBB"));
    ASSERT_TRUE(waitFor([&] { return d.executed.size() == 1; }));
    a->write("aaa\n");
    ASSERT_TRUE(waitFor([&] { return d.executed.size() == 2; }));
    EXPECT_EQ(d.executed, (QByteArrayList{"BBB", "AAAaaa"}));
}

TEST(DisplayListener, HostileInputNeitherCrashesNorBlocksNorGrows) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));

    // Fifty connections at once.
    std::vector<std::unique_ptr<QTcpSocket>> crowd;
    for (int i = 0; i < 50; ++i) {
        crowd.push_back(std::make_unique<QTcpSocket>());
        crowd.back()->connectToHost(QHostAddress::LocalHost, port);
    }
    ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 50; }));

    // One sends 4 MB without a line feed, one random bytes, one leaves mid-packet.
    QByteArray flood(4 * 1024 * 1024, 'x');
    crowd[0]->write(flood);
    QRandomGenerator rng(1234);
    QByteArray noise(200000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(rng.bounded(256));
    }
    crowd[1]->write(noise);
    crowd[2]->write(
        "\x24"
        "half a packet");
    crowd[2]->flush();
    crowd[2]->abort();
    ASSERT_TRUE(waitFor([&] { return crowd[0]->bytesToWrite() == 0; }, 20000));

    // The display still answers a well-behaved operator.
    auto good = client(port);
    good->write(lineUpdate("still here"));
    QByteArray reply;
    ASSERT_TRUE(waitFor([&] {
        reply += good->readAll();
        return reply.endsWith('\n');
    }));
    EXPECT_EQ(reply, QByteArray("\x4b") + "still here\n");
    EXPECT_TRUE(d.errors.messages.isEmpty()) << d.errors.messages.join('|').toStdString();
    crowd.clear();
    ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 1; }));
}

TEST(DisplayListener, AnOperatorThatNeverReadsIsCutOffAndTheOthersGoOn) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    // It asks and asks (every request is answered with as many bytes) but reads nothing.
    // Every request fills the log, which empties itself now and then: catch the line as it
    // comes.
    const QByteArray cut = sj("が受信しないため未送信のデータが");
    int cutLines = 0;
    QObject::connect(&d.log, &DebugLog::lineAdded,
                     [&](const QByteArray& line) { cutLines += line.contains(cut) ? 1 : 0; });
    auto sink = client(port);
    sink->setReadBufferSize(1024);
    const QByteArray request = lineUpdate(QByteArray(1000, 'r'));
    for (int i = 0; i < 40000; ++i) {
        sink->write(request);
    }
    auto other = client(port);
    ASSERT_TRUE(waitFor([&] { return sink->state() == QAbstractSocket::UnconnectedState; }, 20000));
    EXPECT_EQ(cutLines, 1);
    EXPECT_EQ(d.hub.OperatorCount, 1);
    other->write(lineUpdate("still here"));
    ASSERT_TRUE(waitFor([&] { return other->canReadLine(); }));
    EXPECT_EQ(other->readLine(), QByteArray("\x4bstill here\n"));
}

TEST(DisplayListener, ManyOperatorsConnectingAtOnceAreAllHeardAtOnce) {
    // While the display is busy and accepts nobody, the kernel holds connections for it up
    // to the listen backlog and drops the handshakes beyond it (they are retried only a
    // second or more later). 300 operators starting together must all get through at once.
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    constexpr int kOperators = 300;
    std::vector<int> fds;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < kOperators; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        fds.push_back(fd);
    }
    // No event has run: nothing was accepted yet. Count the handshakes that completed.
    int connected = 0;
    for (const int fd : fds) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (::poll(&p, 1, 200) == 1 &&
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
            ++connected;
        }
    }
    EXPECT_EQ(connected, kOperators);
    EXPECT_TRUE(waitFor([&] { return d.hub.OperatorCount == kOperators; }));
    for (const int fd : fds) {
        ::close(fd);
    }
    EXPECT_TRUE(waitFor([&] { return d.hub.OperatorCount == 0; }));
}

// Each read lets pending events run once at its end. When the reads that run inside those
// events did the same, every operator's data nested one read deeper, without end while
// operators kept sending, and an operator whose read lay below was not heard again until
// the others paused (its next packet waited for minutes, connections that closed stayed
// open, and the stack grew).
TEST(DisplayListener, AnOperatorIsHeardWhileOthersKeepSending) {
    DisplayMachine d;
    // The others' packets take a moment each, as a real command does (together more than
    // the display can do: events are always pending), and tell how deep in the stack they
    // run.
    const char base = 0;
    std::ptrdiff_t deepest = 0;
    d.interpreter.setHandler(Cmd::CmdLineUpdateStop, [&](PacketContext&) {
        const char here = 0;
        deepest = std::max(deepest, &base - &here);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    });
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    // Connected first: the newcomers below keep the listen backlog full.
    auto probe = client(port);
    std::atomic<bool> stop{false};
    std::atomic<int> connections{0};
    // Two operators sending all the time and newcomers that send one packet and leave,
    // from a thread of their own, with packets that the display answers with nothing.
    std::thread others([&] {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        auto open = [&] {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
                ::close(fd);
                return -1;
            }
            ++connections;
            return fd;
        };
        const QByteArray packet = "\x31\n";  // CmdLineUpdateStop
        std::vector<int> steady;
        for (int i = 0; i < 2; ++i) {
            steady.push_back(open());
        }
        // A bounded time, so that the display catches up even when it does not hear the
        // probe meanwhile.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        for (int round = 0; !stop && std::chrono::steady_clock::now() < end;) {
            for (const int fd : steady) {
                if (fd >= 0) {
                    ::send(fd, packet.constData(), packet.size(), MSG_NOSIGNAL);
                }
            }
            if (const int fd = open(); fd >= 0) {
                ::send(fd, packet.constData(), packet.size(), MSG_NOSIGNAL);
                ::close(fd);
            }
            if (++round % 10 == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        for (const int fd : steady) {
            ::close(fd);
        }
    });
    const auto joinOthers = qScopeGuard([&] {
        stop = true;
        others.join();
    });
    ASSERT_TRUE(waitFor([&] { return connections > 20; }));

    // The probe is heard all along (behind the packets that came before its own).
    QByteArray replies;
    for (int i = 0; i < 10; ++i) {
        const QByteArray text = "probe" + QByteArray::number(i);
        probe->write(lineUpdate(text));
        ASSERT_TRUE(waitFor(
            [&] {
                replies += probe->readAll();
                return replies.contains(text + '\n');
            },
            10000))
            << "request " << i << " unanswered while the others send";
    }
    stop = true;
    // A read inside another's events, and a packet's handler: a few kB of stack at most.
    EXPECT_LT(deepest, 256 * 1024);
    // Everybody who left is counted out once the others stop.
    probe->disconnectFromHost();
    EXPECT_TRUE(waitFor([&] { return d.hub.OperatorCount == 0; }, 20000)) << d.hub.OperatorCount;
}

// Sends each of `bursts` on a connection of its own, one after the other, from a thread of
// its own (as other machines do), and closes them all once everything is written.
class Senders {
public:
    Senders(quint16 port, std::vector<QByteArray> bursts)
        : thread_([port, bursts = std::move(bursts)] {
              sockaddr_in to{};
              to.sin_family = AF_INET;
              to.sin_port = htons(port);
              to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
              std::vector<int> fds;
              for (const QByteArray& bytes : bursts) {
                  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
                      ::close(fd);
                      continue;
                  }
                  fds.push_back(fd);
                  for (qsizetype done = 0; done < bytes.size();) {
                      const ssize_t n =
                          ::send(fd, bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
                      if (n <= 0) {
                          break;
                      }
                      done += n;
                  }
              }
              for (const int fd : fds) {
                  ::close(fd);
              }
          }) {}
    ~Senders() { thread_.join(); }

private:
    std::thread thread_;
};

QByteArray partUpdate(int i) {
    return "\x2cpart" + QByteArray::number(i % 400) + "," + QByteArray::number(i) + ",,\n";
}

TEST(DisplayListener, ALongBurstLetsTheEventLoopRunAndOthersInBeforeItEnds) {
    DisplayMachine d;
    // Each part update takes a moment, as on a loaded display: the burst runs for seconds.
    constexpr int kBurst = 20000;
    QByteArrayList updates;
    d.interpreter.setHandler(Cmd::CmdPartUpdate, [&](PacketContext& c) {
        updates << c.operand();
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
        while (std::chrono::steady_clock::now() < until) {
        }
    });
    int updatesBeforeCaption = -1;
    d.interpreter.setHandler(Cmd::CmdLineUpdate,
                             [&](PacketContext&) { updatesBeforeCaption = updates.size(); });
    QByteArrayList logged;
    QObject::connect(&d.log, &DebugLog::lineAdded, [&](const QByteArray& l) { logged << l; });
    // Timers of the display (the caption's scroll tick, the repaint) tick meanwhile.
    int ticksDuringBurst = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!updates.isEmpty() && updates.size() < kBurst) {
            ++ticksDuringBurst;
        }
    });
    tick.start();
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));

    QByteArray burst;
    QByteArrayList expectedLog;
    for (int i = 0; i < kBurst; ++i) {
        burst += partUpdate(i);
        expectedLog << displayReceiveLine(partUpdate(i).chopped(1));
    }
    const QByteArray caption = lineUpdate("during the burst");
    {
        // The caption leaves when the whole burst has been written, then both close.
        Senders senders(port, {burst, caption});
        ASSERT_TRUE(waitFor([&] { return updates.size() == kBurst; }, 60000)) << updates.size();
    }
    ASSERT_TRUE(waitFor([&] { return updatesBeforeCaption >= 0; }));
    EXPECT_LT(updatesBeforeCaption, kBurst * 9 / 10);
    EXPECT_GT(ticksDuringBurst, 10);

    // Every update ran once, in order, with its receive line logged before it, and the
    // caption's line once among them.
    for (int i = 0; i < kBurst; ++i) {
        ASSERT_EQ(updates[i], partUpdate(i).mid(1).chopped(1)) << i;
    }
    const QByteArray captionLine = displayReceiveLine(caption.chopped(1));
    EXPECT_EQ(logged.count(captionLine), 1);
    logged.removeAll(captionLine);
    EXPECT_EQ(logged, expectedLog);
    ASSERT_TRUE(waitFor([&] { return d.listener.connectionCount() == 0; }));
    EXPECT_EQ(d.hub.OperatorCount, 0);
}

TEST(DisplayListener, SlowPaintsDoNotStarveABurst) {
    // A window that every packet changes and whose paint takes 20 ms (a huge window): a
    // burst of 200 ms of packets must not be cut into passes of a few milliseconds, each
    // followed by a paint.
    class SlowWindow : public QWidget {
    public:
        int paints = 0;

    protected:
        void paintEvent(QPaintEvent*) override {
            ++paints;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };
    SlowWindow window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    DisplayMachine d;
    constexpr int kBurst = 8000;
    int updates = 0;
    d.interpreter.setHandler(Cmd::CmdPartUpdate, [&](PacketContext&) {
        ++updates;
        window.update();
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(25);
        while (std::chrono::steady_clock::now() < until) {
        }
    });
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    QByteArray burst;
    for (int i = 0; i < kBurst; ++i) {
        burst += partUpdate(i);
    }
    window.paints = 0;
    {
        Senders senders(port, {burst});
        ASSERT_TRUE(waitFor([&] { return updates == kBurst; }, 30000)) << updates;
    }
    // The screen still shows the burst going on, but packets get at least half the time.
    EXPECT_GE(window.paints, 1);
    EXPECT_LE(window.paints, 30) << "paints of 20 ms between passes of "
                                 << DisplayListener::kReadSliceMs << " ms";
}

TEST(DisplayListener, BusyOperatorsDoNotLengthenEachOthersPasses) {
    // Eight operators send long bursts at once. The passes of the other connections are no
    // slow paint: counted as one, each pass ran as long as all the others together, until
    // the event loop (timers, paints, the quit on a signal) ran once in seconds.
    DisplayMachine d;
    constexpr int kOperators = 8;
    constexpr int kBurst = 15000;
    int updates = 0;
    d.interpreter.setHandler(Cmd::CmdPartUpdate, [&](PacketContext&) {
        ++updates;
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(25);
        while (std::chrono::steady_clock::now() < until) {
        }
    });
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = -1;
    qint64 longestGap = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (updates > 0 && updates < kOperators * kBurst && lastTick >= 0) {
            longestGap = std::max(longestGap, now - lastTick);
        }
        lastTick = now;
    });
    tick.start();
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    QByteArray burst;
    for (int i = 0; i < kBurst; ++i) {
        burst += partUpdate(i);
    }
    {
        std::vector<std::unique_ptr<Senders>> senders;
        for (int i = 0; i < kOperators; ++i) {
            senders.push_back(std::make_unique<Senders>(port, std::vector<QByteArray>{burst}));
        }
        ASSERT_TRUE(waitFor([&] { return updates == kOperators * kBurst; }, 60000)) << updates;
    }
    EXPECT_LT(longestGap, 500) << "ms without a timer tick";
}

TEST(DisplayListener, WhatAnOperatorSentBeforeItClosedStillRuns) {
    DisplayMachine d;
    QByteArrayList updates;
    d.interpreter.setHandler(Cmd::CmdPartUpdate, [&](PacketContext& c) {
        updates << c.operand();
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    });
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    QByteArray burst;
    for (int i = 0; i < 10000; ++i) {
        burst += partUpdate(i);
    }
    {
        Senders senders(port, {burst});
        // Counted out when it closes, though its packets are still running.
        ASSERT_TRUE(waitFor([&] { return d.hub.OperatorCount == 0 && !updates.isEmpty(); }));
    }
    ASSERT_TRUE(waitFor([&] { return d.listener.connectionCount() == 0; }, 30000));
    ASSERT_EQ(updates.size(), 10000);
    EXPECT_EQ(updates.last(), partUpdate(9999).mid(1).chopped(1));
}

TEST(DisplayListener, BusyPortFailsToOpen) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::AnyIPv4, 0));
    DisplayMachine d;
    EXPECT_FALSE(d.listener.open(other.serverPort()));
    EXPECT_FALSE(d.listener.isOpen());
}

// ---- watchdog -------------------------------------------------------------------------------

TEST(WatchDog, FiresWhenAReadHangsAndNotOtherwise) {
    DisplayMachine d;
    d.watchdog.setInterval(150);
    int notices = 0;
    d.watchdog.setHooks({[&] { d.listener.clearBuffers(); }, [&] { ++notices; }});
    // A handler that lets events run for a while, as file loading does.
    d.interpreter.setHandler(Cmd::CmdWallpaper, [](PacketContext&) { QTest::qWait(400); });
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    auto op = client(port);
    auto other = client(port);

    op->write(lineUpdate("quick"));
    ASSERT_TRUE(waitFor([&] { return d.executed.size() == 1; }));
    QTest::qWait(300);
    EXPECT_EQ(notices, 0);

    // The other operator's half packet waits in its buffer; then one read brings the slow
    // packet, a complete packet behind it and the start of a third.
    other->write(
        "\x24"
        "half");
    other->flush();
    QTest::qWait(50);
    op->write(
        QByteArray("\x1f"
                   "slow.jpg\n"
                   "\x24"
                   "after\n"
                   "\x24"
                   "par"));
    op->flush();
    ASSERT_TRUE(waitFor([&] { return notices == 1; }));
    EXPECT_TRUE(d.log.lines().contains(sj("WatchDog:ハングアップを検出。バッファクリアします。")));
    QTest::qWait(400);
    EXPECT_FALSE(d.watchdog.isActive());

    // Both buffers were emptied: the rest of the hanging read is gone, and what each
    // operator sends next starts a packet of its own.
    other->write(lineUpdate("fresh"));
    ASSERT_TRUE(waitFor([&] { return d.executed.size() == 2; }));
    op->write(lineUpdate("again"));
    ASSERT_TRUE(waitFor([&] { return d.executed.size() == 3; }));
    QTest::qWait(100);
    EXPECT_EQ(d.executed, (QByteArrayList{"quick", "fresh", "again"}));
    EXPECT_EQ(notices, 1);

    // Switched off: the same hang sends nothing.
    d.watchdogOff.set(true);
    op->write(
        QByteArray("\x1f"
                   "slow.jpg\n"));
    QTest::qWait(700);
    EXPECT_EQ(notices, 1);
}

TEST(WatchDog, FailedNoticeLeavesTheTimerRunning) {
    DebugLog log;
    Setting<bool> off{false};
    WatchDogService dog(log, off);
    dog.setInterval(50);
    int attempts = 0;
    dog.setHooks({[] {},
                  [&] {
                      ++attempts;
                      throw ZulError(QStringLiteral("送信中 : no route"));
                  }});
    QSignalSpy failed(&dog, &WatchDogService::failed);
    dog.start();
    ASSERT_TRUE(waitFor([&] { return attempts >= 2; }));
    EXPECT_TRUE(dog.isActive());
    EXPECT_GE(failed.count(), 2);
    dog.stop();
}

// ---- operator connection --------------------------------------------------------------------

namespace {
struct Operator {
    HubState hub;
    DebugLog log;
    RecordingDialogs dialogs;
    test::RecordingErrors errors;
    Setting<bool> watchdogOff{false};
    WatchDogService watchdog{log, watchdogOff};
    OperatorConnection connection{hub, log, dialogs, errors, watchdog};
    QStringList hub_status;
    QStringList console;
    int connects = 0;
    int returns = 0;
    QByteArrayList replies;

    Operator() {
        QObject::connect(&connection, &OperatorConnection::hubStatus,
                         [this](const QString& s) { hub_status << s; });
        QObject::connect(&connection, &OperatorConnection::consoleStatus,
                         [this](const QString& s, const QColor&) { console << s; });
        QObject::connect(&connection, &OperatorConnection::connectedToDisplay,
                         [this] { ++connects; });
        QObject::connect(&connection, &OperatorConnection::returnedToHub, [this] { ++returns; });
        connection.processReply = [this](const QByteArray& p, PacketConnection*) { replies << p; };
    }
};
}  // namespace

TEST(OperatorConnection, GivesUpAfterFiveFailedAttempts) {
    Operator op;
    const quint16 port = freeTcpPort();  // nothing listens there
    op.connection.open(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(waitFor([&] { return op.hub.ReconnectTries == 5; }));
    QTest::qWait(300);
    EXPECT_EQ(op.hub.ReconnectTries, 5);  // no further attempt
    EXPECT_FALSE(op.connection.isActive());
    EXPECT_EQ(op.hub_status.last(), QStringLiteral("切断：通信故障修復失敗"));
    EXPECT_EQ(op.console.last(), QStringLiteral("接続中断(自動修復不可でした）"));
    EXPECT_TRUE(op.hub_status.contains(QStringLiteral("操作機として接続中・・・")));
    EXPECT_EQ(op.log.lines().count(sj("【通信故障を修復します】")), 5);
    EXPECT_TRUE(op.log.lines().contains(sj("【通信故障を修復できません】５トライ接続不可")));
    EXPECT_EQ(op.errors.messages.size(), 5);  // every error also reaches the error handler
}

TEST(OperatorConnection, DisplayStoppingSendsTheOperatorBackToTheHub) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    Operator op;
    op.connection.open(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(waitFor([&] { return op.connects == 1; }));
    EXPECT_EQ(op.hub.ReconnectTries, 0);
    EXPECT_TRUE(op.log.lines().contains(sj("【表示機へ接続しました】")));

    op.connection.send(lineUpdate("hello"));
    ASSERT_TRUE(waitFor([&] { return op.replies.size() == 1; }));
    EXPECT_EQ(op.replies[0], QByteArray("\x4b") + "hello");
    EXPECT_TRUE(op.log.lines().contains(sj("PKT受信[C]:Cmd(075[CPU負荷率受信") +
                                        QByteArray(40 - 13, ' ') + "]) Op(hello)"));
    EXPECT_EQ(op.console.last(), QStringLiteral("指示待ち"));

    d.listener.close();
    ASSERT_TRUE(waitFor([&] { return op.returns == 1; }));
    EXPECT_EQ(op.dialogs.lastText(), QStringLiteral("接続が切れたので、メインへ戻ります"));
    EXPECT_EQ(op.dialogs.lastTitle(), QStringLiteral("接続終了"));
    EXPECT_EQ(op.hub_status.last(), QStringLiteral("接続終了：ユーザ指示待ち"));
}

TEST(OperatorConnection, AResetByTheDisplayIsRepairedByReconnecting) {
    // The display resets the first connection as soon as a packet arrives on it.
    QTcpServer display;
    ASSERT_TRUE(display.listen(QHostAddress::LocalHost, 0));
    int accepted = 0;
    QObject::connect(&display, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = display.nextPendingConnection()) {
            if (++accepted == 1) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [s] { resetConnection(*s); });
            }
        }
    });
    Operator op;
    op.connection.open(QStringLiteral("127.0.0.1"), display.serverPort());
    ASSERT_TRUE(waitFor([&] { return op.connects == 1; }));
    op.connection.send(lineUpdate("hello"));
    ASSERT_TRUE(waitFor([&] { return accepted == 2 && op.connects == 2; }));
    EXPECT_TRUE(op.log.lines().contains(sj("【通信故障を修復します】")));
    EXPECT_EQ(op.errors.messages, QStringList{TcpCloseProbe::resetText()});
    EXPECT_EQ(op.returns, 0);
    EXPECT_TRUE(op.dialogs.messages.isEmpty());
    EXPECT_EQ(op.hub.ReconnectTries, 0);  // the new connection succeeded
    EXPECT_TRUE(op.connection.isEstablished());
}

TEST(OperatorConnection, AfterAFailedFirstAttemptTheNextLossOnlyRestarts) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    Operator op;
    // The display comes up only after the first attempt failed.
    QObject::connect(&op.connection, &OperatorConnection::hubStatus, [&](const QString& s) {
        if (s == QStringLiteral("操作機として起動：通信故障修復中") && !d.listener.isOpen()) {
            d.listener.open(port);
        }
    });
    op.connection.open(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(waitFor([&] { return op.connects == 1; }));
    EXPECT_TRUE(op.hub.Reconnecting);
    EXPECT_EQ(op.hub.ReconnectTries, 0);

    d.listener.close();
    ASSERT_TRUE(waitFor([&] { return !op.connection.isActive(); }));
    QTest::qWait(100);
    EXPECT_EQ(op.returns, 0);
    EXPECT_TRUE(op.dialogs.messages.isEmpty());
    EXPECT_EQ(op.hub_status.last(), QStringLiteral("操作機として再起動中・・・"));
    EXPECT_FALSE(op.hub.Reconnecting);
    EXPECT_TRUE(op.log.lines().contains(sj("【表示機への接続を終了/再処理待ち】")));
}

TEST(OperatorConnection, FailureNoticeReconnects) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    Operator op;
    op.connection.open(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(waitFor([&] { return op.connects == 1; }));
    op.connection.reconnect();
    EXPECT_TRUE(op.hub_status.contains(QStringLiteral("操作機として再起動中・・・")));
    ASSERT_TRUE(waitFor([&] { return op.connects == 2; }));
    EXPECT_EQ(op.returns, 0);
    EXPECT_TRUE(op.connection.isEstablished());
}

TEST(OperatorConnection, OpeningWhileEstablishedOnlyAcceptsTheSameTarget) {
    DisplayMachine d;
    const quint16 port = freeTcpPort();
    ASSERT_TRUE(d.listener.open(port));
    Operator op;
    ASSERT_TRUE(op.connection.open(QStringLiteral("127.0.0.1"), port));
    ASSERT_TRUE(waitFor([&] { return op.connects == 1; }));
    EXPECT_TRUE(op.connection.open(QStringLiteral("127.0.0.1"), port));
    EXPECT_FALSE(op.connection.open(QStringLiteral("127.0.0.1"), port + 1));
    EXPECT_EQ(op.connects, 1);
}
