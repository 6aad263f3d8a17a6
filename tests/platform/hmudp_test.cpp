// THmUdp on real sockets bound to 127.0.0.1 with ports the system chooses.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTest>
#include <QtEndian>

#include <cerrno>
#include <random>
#include <vector>

#include "platform/Hmudp.h"
#include "platform/errors.h"

using namespace zul;

namespace {

const QString kLocal = QStringLiteral("127.0.0.1");
constexpr int kWaitMs = 3000;
constexpr int kLargestDatagram = 65507;  // 65535 less the IPv4 and UDP headers

struct Datagram {
    QString host;
    int port = 0;
    QByteArray data;
    bool outOfBand = false;
    int bufferSizeDuringCall = 0;
};

struct RecordingSink : ErrorSink {
    QStringList messages;
    void reportError(const QString& message) override { messages.append(message); }
};

// One component with every callback recorded.
struct Endpoint {
    int opens = 0;
    int closes = 0;
    int sents = 0;
    std::vector<THmErrorAt> errors;
    bool clearThrow = false;  // what OnError does with throwException
    std::vector<Datagram> received;
    RecordingSink sink;
    THmUdp udp;  // last: its destructor closes and may still call back

    Endpoint() {
        udp.setErrorSink(&sink);
        udp.OnOpen = [this] { ++opens; };
        udp.OnClose = [this] { ++closes; };
        udp.OnSent = [this] { ++sents; };
        udp.OnError = [this](THmErrorAt at, bool& throwException) {
            errors.push_back(at);
            if (clearThrow) {
                throwException = false;
            }
        };
        udp.OnReceive = [this](const QString& host, int port, const QByteArray& data, bool oob) {
            received.push_back({host, port, data, oob, udp.GetBufferSize()});
        };
    }

    // Opens on a free port of 127.0.0.1 and runs the event loop until OnOpen.
    bool open() {
        return udp.Open(0, kLocal) && QTest::qWaitFor([this] { return opens > 0; }, kWaitMs);
    }

    bool waitForDatagrams(size_t count) {
        return QTest::qWaitFor([&] { return received.size() >= count; }, kWaitMs);
    }
};

// Sends from `from` to `to` and expects the whole datagram to leave.
void sendTo(Endpoint& from, const Endpoint& to, const QByteArray& data) {
    ASSERT_EQ(from.udp.Send(kLocal, to.udp.GetLocalPort(), data), data.size());
}

// Lets the event loop run for a while (for things that must NOT happen).
void settle(int ms = 100) {
    QTest::qWait(ms);
}

QByteArray pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    return bytes;
}

}  // namespace

TEST(THmUdp, OpensOnTheFirstWritableNotificationAndThenStaysQuiet) {
    Endpoint a;
    ASSERT_TRUE(a.udp.Open(0, kLocal));
    EXPECT_EQ(a.udp.GetState(), THmSocketState::Opening);
    EXPECT_GE(a.udp.GetHandle(), 0);
    EXPECT_EQ(a.udp.GetLocalHost(), kLocal);
    EXPECT_GT(a.udp.GetLocalPort(), 0);

    // Bound but not yet reported open: a datagram socket can already send, and the
    // datagram arrives.
    EXPECT_EQ(a.udp.Send(kLocal, a.udp.GetLocalPort(), "early"), 5);
    EXPECT_EQ(a.udp.GetError(), 0);
    EXPECT_TRUE(a.errors.empty());
    ASSERT_TRUE(a.waitForDatagrams(1));
    EXPECT_EQ(a.received[0].data, "early");

    ASSERT_TRUE(QTest::qWaitFor([&] { return a.opens > 0; }, kWaitMs));
    EXPECT_EQ(a.udp.GetState(), THmSocketState::Open);
    // A write notifier left enabled would report "sending possible" on every pass.
    settle();
    EXPECT_EQ(a.opens, 1);
    EXPECT_EQ(a.sents, 0);
    EXPECT_EQ(a.received.size(), 1U);
}

TEST(THmUdp, OpenAndCloseOnlyFromTheRightState) {
    Endpoint a;
    EXPECT_EQ(a.udp.GetState(), THmSocketState::Closed);
    EXPECT_EQ(a.udp.GetHandle(), -1);
    EXPECT_FALSE(a.udp.Close());
    EXPECT_EQ(a.closes, 0);

    ASSERT_TRUE(a.open());
    const int port = a.udp.GetLocalPort();
    const int handle = a.udp.GetHandle();
    EXPECT_FALSE(a.udp.Open(0, kLocal));
    EXPECT_FALSE(a.udp.Open(port + 1));
    EXPECT_EQ(a.udp.GetLocalPort(), port);
    EXPECT_EQ(a.udp.GetHandle(), handle);
    EXPECT_EQ(a.udp.GetState(), THmSocketState::Open);

    EXPECT_TRUE(a.udp.Close());
    EXPECT_EQ(a.closes, 1);
    EXPECT_EQ(a.udp.GetState(), THmSocketState::Closed);
    EXPECT_EQ(a.udp.GetHandle(), -1);
    EXPECT_EQ(a.udp.GetLocalPort(), 0);
    EXPECT_TRUE(a.udp.GetLocalHost().isEmpty());
    EXPECT_FALSE(a.udp.Close());
    EXPECT_EQ(a.closes, 1);
    settle();  // the closed socket's notifiers must not fire any more
    EXPECT_EQ(a.opens, 1);
    EXPECT_EQ(a.sents, 0);

    // Reopens and works again.
    Endpoint b;
    ASSERT_TRUE(b.open());
    ASSERT_TRUE(a.udp.Open(0, kLocal));
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.opens == 2; }, kWaitMs));
    sendTo(b, a, "again");
    ASSERT_TRUE(a.waitForDatagrams(1));
    EXPECT_EQ(a.received[0].data, "again");
}

TEST(THmUdp, SecondBindOfAPortInUseFails) {
    Endpoint first;
    ASSERT_TRUE(first.open());
    for (const bool clearThrow : {true, false}) {
        SCOPED_TRACE(clearThrow ? "OnError clears throwException" : "error thrown");
        Endpoint second;
        second.clearThrow = clearThrow;
        if (clearThrow) {
            EXPECT_FALSE(second.udp.Open(first.udp.GetLocalPort(), kLocal));
        } else {
            try {
                second.udp.Open(first.udp.GetLocalPort());
                ADD_FAILURE() << "no error thrown";
            } catch (const ZulError& e) {
                EXPECT_EQ(e.message(), QStringLiteral("オープン中 : ") +
                                           socketErrorText(socket_error::kAddressInUse));
            }
        }
        EXPECT_EQ(second.udp.GetError(), socket_error::kAddressInUse);
        ASSERT_EQ(second.errors.size(), 1u);
        EXPECT_EQ(second.errors[0], THmErrorAt::Opening);
        EXPECT_EQ(second.udp.GetState(), THmSocketState::Closed);
        EXPECT_EQ(second.udp.GetHandle(), -1);
        EXPECT_EQ(second.udp.GetLocalPort(), 0);
    }
}

TEST(THmUdp, SendingErrorsGoThroughOnErrorAndThrowUnlessCleared) {
    struct Case {
        const char* what;
        QString host;
        QByteArray data;
        bool outOfBand;
        int code;
    };
    const Case cases[] = {
        {"empty host", QString(), "x", false, socket_error::kHostNotFound},
        {"larger than any datagram", kLocal, QByteArray(70000, 'x'), false,
         socket_error::kMessageTooLong},
        {"out-of-band on UDP", kLocal, "x", true, socket_error::kOperationNotSupported},
    };
    Endpoint a;
    ASSERT_TRUE(a.open());
    for (const Case& c : cases) {
        for (const bool clearThrow : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (clearThrow ? ", cleared" : ", thrown"));
            a.errors.clear();
            a.clearThrow = clearThrow;
            const auto send = [&] {
                return a.udp.Send(c.host, a.udp.GetLocalPort(), c.data, c.outOfBand);
            };
            if (clearThrow) {
                EXPECT_EQ(send(), -1);
            } else {
                try {
                    send();
                    ADD_FAILURE() << "no error thrown";
                } catch (const ZulError& e) {
                    EXPECT_TRUE(e.message().startsWith(QStringLiteral("送信中 : ")));
                    EXPECT_EQ(e.message(), QStringLiteral("送信中 : ") + socketErrorText(c.code));
                }
            }
            EXPECT_EQ(a.udp.GetError(), c.code);
            ASSERT_EQ(a.errors.size(), 1u);
            EXPECT_EQ(a.errors[0], THmErrorAt::Sending);
        }
    }
    // The component is still usable, and a good send resets Error.
    EXPECT_EQ(a.udp.Send(kLocal, a.udp.GetLocalPort(), "ok"), 2);
    EXPECT_EQ(a.udp.GetError(), 0);
    ASSERT_TRUE(a.waitForDatagrams(1));
    EXPECT_EQ(a.received[0].data, "ok");
}

TEST(THmUdp, AutoResizePeeksWithADoublingBufferAndShrinksAfterwards) {
    struct Case {
        int size;
        std::vector<int> peeks;
    };
    const Case cases[] = {
        {1, {1024}},
        {1024, {1024}},
        {1025, {1024, 2048}},
        {3000, {1024, 2048, 4096}},
        {65507, {1024, 2048, 4096, 8192, 16384, 32768, 65536}},  // the largest datagram
    };
    Endpoint sender;
    Endpoint receiver;
    ASSERT_TRUE(sender.open());
    ASSERT_TRUE(receiver.open());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        receiver.received.clear();
        receiver.udp.resetCounters();
        const QByteArray data = pattern(c.size);
        sendTo(sender, receiver, data);
        ASSERT_TRUE(receiver.waitForDatagrams(1));

        const Datagram& got = receiver.received[0];
        EXPECT_EQ(got.data, data);
        EXPECT_EQ(got.host, kLocal);
        EXPECT_EQ(got.port, sender.udp.GetLocalPort());
        EXPECT_FALSE(got.outOfBand);
        EXPECT_EQ(got.bufferSizeDuringCall, c.peeks.back());
        EXPECT_EQ(receiver.udp.counters().lastPeekSizes, c.peeks);
        EXPECT_EQ(receiver.udp.counters().lastReads, 1);
        EXPECT_EQ(receiver.udp.GetBufferSize(), THmCustomUdp::iInitialBufferSize);
    }
}

TEST(THmUdp, WithoutAutoResizeATooLongDatagramIsAReceiveError) {
    Endpoint sender;
    Endpoint receiver;
    ASSERT_TRUE(sender.open());
    ASSERT_TRUE(receiver.open());
    receiver.udp.SetAutoResize(false);
    ASSERT_EQ(receiver.udp.GetBufferSize(), 1024);

    sendTo(sender, receiver, pattern(2000));
    sendTo(sender, receiver, "next");
    ASSERT_TRUE(receiver.waitForDatagrams(1));
    EXPECT_EQ(receiver.received[0].data, "next");
    ASSERT_EQ(receiver.errors.size(), 1u);
    EXPECT_EQ(receiver.errors[0], THmErrorAt::Receiving);
    // The error left OnError with throwException set: it reached the error sink instead
    // of crossing the event loop.
    ASSERT_EQ(receiver.sink.messages.size(), 1);
    EXPECT_EQ(receiver.sink.messages[0],
              QStringLiteral("受信中 : ") + socketErrorText(socket_error::kMessageTooLong));
    EXPECT_EQ(receiver.udp.counters().peeks, 0);
    EXPECT_EQ(receiver.udp.counters().reads, 2);

    // A buffer set by hand stays as set, and a datagram that fits arrives whole.
    receiver.udp.SetBufferSize(4096);
    EXPECT_EQ(receiver.udp.GetBufferSize(), 4096);
    sendTo(sender, receiver, pattern(2000));
    ASSERT_TRUE(receiver.waitForDatagrams(2));
    EXPECT_EQ(receiver.received[1].data, pattern(2000));
    EXPECT_EQ(receiver.udp.GetBufferSize(), 4096);
}

TEST(THmUdp, BufferSizeRules) {
    THmUdp udp;
    udp.SetBufferSize(5000);  // AutoResize on: always the initial size
    EXPECT_EQ(udp.GetBufferSize(), 1024);
    udp.SetAutoResize(false);
    udp.SetBufferSize(5000);
    EXPECT_EQ(udp.GetBufferSize(), 5000);
    udp.SetBufferSize(0);
    EXPECT_EQ(udp.GetBufferSize(), 1024);
    udp.SetBufferSize(-3);
    EXPECT_EQ(udp.GetBufferSize(), 1024);
    udp.SetBufferSize(1 << 30);
    EXPECT_EQ(udp.GetBufferSize(), THmCustomUdp::kMaxBufferSize);
    udp.SetAutoResize(true);
    EXPECT_EQ(udp.GetBufferSize(), 1024);
}

TEST(THmUdp, EmptyDatagramNeverReachesOnReceive) {
    Endpoint sender;
    Endpoint receiver;
    ASSERT_TRUE(sender.open());
    ASSERT_TRUE(receiver.open());
    ASSERT_EQ(sender.udp.Send(kLocal, receiver.udp.GetLocalPort(), QByteArray()), 0);
    EXPECT_EQ(sender.udp.GetError(), 0);  // an empty send is no would-block
    sendTo(sender, receiver, "after");
    ASSERT_TRUE(receiver.waitForDatagrams(1));
    settle();
    ASSERT_EQ(receiver.received.size(), 1u);
    EXPECT_EQ(receiver.received[0].data, "after");
    EXPECT_TRUE(receiver.errors.empty());
    EXPECT_GE(receiver.udp.counters().notifications, 2);  // the empty one was handled
}

TEST(THmUdp, DatagramHandedToOnReceiveSurvivesANestedEventLoop) {
    Endpoint sender;
    Endpoint receiver;
    ASSERT_TRUE(sender.open());
    ASSERT_TRUE(receiver.open());
    QByteArray firstAfterNestedLoop;
    int calls = 0;
    receiver.udp.OnReceive = [&](const QString&, int, const QByteArray& data, bool) {
        receiver.received.push_back({{}, 0, data, false, 0});
        if (++calls == 1) {
            // Like a modal question: the event loop runs and the next datagram is read
            // into the same receive buffer meanwhile.
            EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 2; }, kWaitMs));
            firstAfterNestedLoop = data;
        }
    };
    sendTo(sender, receiver, "first datagram");
    sendTo(sender, receiver, "SECOND");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !firstAfterNestedLoop.isNull(); }, kWaitMs));
    EXPECT_EQ(firstAfterNestedLoop, "first datagram");
    ASSERT_EQ(receiver.received.size(), 2u);
    EXPECT_EQ(receiver.received[1].data, "SECOND");
}

TEST(THmUdp, ClosingInsideACallbackIsSafe) {
    Endpoint sender;
    Endpoint receiver;
    ASSERT_TRUE(sender.open());
    ASSERT_TRUE(receiver.open());
    receiver.udp.OnReceive = [&](const QString&, int, const QByteArray& data, bool) {
        receiver.received.push_back({{}, 0, data, false, 0});
        EXPECT_TRUE(receiver.udp.Close());
    };
    sendTo(sender, receiver, "one");
    sendTo(sender, receiver, "two");
    ASSERT_TRUE(receiver.waitForDatagrams(1));
    settle();
    ASSERT_EQ(receiver.received.size(), 1u);
    EXPECT_EQ(receiver.closes, 1);
    EXPECT_EQ(receiver.udp.GetState(), THmSocketState::Closed);

    // Closing and reopening from OnOpen.
    Endpoint c;
    c.udp.OnOpen = [&] {
        ++c.opens;
        if (c.opens == 1) {
            c.udp.Close();
            c.udp.Open(0, kLocal);
        }
    };
    ASSERT_TRUE(c.udp.Open(0, kLocal));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.opens == 2; }, kWaitMs));
    EXPECT_EQ(c.closes, 1);
    EXPECT_EQ(c.udp.GetState(), THmSocketState::Open);

    // Destroying the component later from its own callback.
    bool destroyed = false;
    QObject owner;
    auto* doomed = new THmUdp(&owner);
    QObject::connect(doomed, &QObject::destroyed, [&] { destroyed = true; });
    doomed->OnReceive = [&](const QString&, int, const QByteArray&, bool) {
        doomed->deleteLater();
    };
    ASSERT_TRUE(doomed->Open(0, kLocal));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return doomed->GetState() == THmSocketState::Open; }, kWaitMs));
    ASSERT_EQ(sender.udp.Send(kLocal, doomed->GetLocalPort(), "bye"), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return destroyed; }, kWaitMs));
}

TEST(THmUdp, ErrorReportingRules) {
    struct Case {
        THmErrorAt at;
        const char* prefix;
    };
    const Case cases[] = {
        {THmErrorAt::Opening, "オープン中 : "}, {THmErrorAt::Closing, "クローズ中 : "},
        {THmErrorAt::Sending, "送信中 : "},     {THmErrorAt::Receiving, "受信中 : "},
        {THmErrorAt::Other, "その他 : "},       {static_cast<THmErrorAt>(9), "その他 : "},
    };
    THmUdp udp;
    std::vector<THmErrorAt> seen;
    udp.OnError = [&](THmErrorAt at, bool&) { seen.push_back(at); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        seen.clear();
        errno = ECONNRESET;  // code 0 stands for the last socket error
        try {
            udp.FireOnError(c.at, 0);
            ADD_FAILURE() << "no error thrown";
        } catch (const ZulError& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.prefix) + socketErrorText(10054));
        }
        EXPECT_EQ(udp.GetError(), 10054);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0], c.at);
    }
    // Would-block is never an error: nothing fires, Error stays.
    seen.clear();
    udp.FireOnError(THmErrorAt::Sending, socket_error::kWouldBlock);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(udp.GetError(), 10054);
}

TEST(THmUdp, ErrnoValuesBecomeWinsockNumbersWithThePlatformText) {
    const std::pair<int, int> cases[] = {
        {EACCES, 10013},        {EPERM, 10013},        {EINVAL, 10022},     {EWOULDBLOCK, 10035},
        {EAGAIN, 10035},        {EMSGSIZE, 10040},     {EOPNOTSUPP, 10045}, {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049}, {ENETUNREACH, 10051},  {ECONNRESET, 10054}, {ENOBUFS, 10055},
        {ECONNREFUSED, 10061},  {EHOSTUNREACH, 10065}, {ENOENT, ENOENT},
    };
    for (const auto& [errnoValue, code] : cases) {
        SCOPED_TRACE(errnoValue);
        EXPECT_EQ(socketErrorFromErrno(errnoValue), code);
        EXPECT_FALSE(socketErrorText(code).isEmpty());
    }
    EXPECT_EQ(socketErrorText(10013), QString::fromLocal8Bit(strerror(EACCES)));
    EXPECT_EQ(socketErrorText(10048), QString::fromLocal8Bit(strerror(EADDRINUSE)));
    EXPECT_NE(socketErrorText(socket_error::kHostNotFound), socketErrorText(10049));
    EXPECT_FALSE(socketErrorText(socket_error::kSystemNotReady).isEmpty());
}

TEST(THmUdp, AddressConversions) {
    const std::pair<const char*, quint32> cases[] = {
        {"0.0.0.0", 0u},
        {"127.0.0.1", 0x7F000001u},
        {"192.168.1.23", 0xC0A80117u},
        {"255.255.255.255", 0xFFFFFFFFu},
    };
    for (const auto& [text, value] : cases) {
        quint32 address = 1;
        EXPECT_TRUE(THmCustomUdp::GetHostByName(QString::fromLatin1(text), &address)) << text;
        EXPECT_EQ(address, value) << text;
        EXPECT_EQ(THmCustomUdp::InetNtoA(value), QString::fromLatin1(text));
    }
    quint32 address = 1;
    EXPECT_TRUE(THmCustomUdp::GetHostByName(QString(), &address));
    EXPECT_EQ(address, 0u);
    EXPECT_TRUE(THmCustomUdp::GetHostByName(QStringLiteral("localhost"), &address));
    EXPECT_EQ(address >> 24, 127u);
    EXPECT_EQ(THmCustomUdp::NtoHs(THmCustomUdp::HtoNs(30000)), 30000);
    EXPECT_EQ(THmCustomUdp::HtoNs(0x1234), qToBigEndian<quint16>(0x1234));
}

TEST(THmUdp, RandomDatagramsAndArgumentsNeverBreakIt) {
    std::mt19937 random(20240611);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto randomBytes = [&](int size) {
        QByteArray bytes(size, '\0');
        for (char& b : bytes) {
            b = static_cast<char>(uniform(0, 255));
        }
        return bytes;
    };
    Endpoint sender;
    Endpoint receiver;
    Endpoint elsewhere;
    sender.clearThrow = true;
    receiver.clearThrow = true;
    elsewhere.clearThrow = true;
    ASSERT_TRUE(sender.open());
    ASSERT_TRUE(receiver.open());
    ASSERT_TRUE(elsewhere.open());

    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        const bool autoResize = uniform(0, 3) != 0;
        receiver.udp.SetAutoResize(autoResize);
        receiver.udp.SetBufferSize(uniform(-10, 9000));
        const int buffer = receiver.udp.GetBufferSize();
        const int size = uniform(0, 4) == 0 ? uniform(0, 65507) : uniform(0, 3000);
        const QByteArray data = randomBytes(size);
        const size_t before = receiver.received.size();
        const size_t errorsBefore = receiver.errors.size();
        sendTo(sender, receiver, data);
        if (size == 0) {
            continue;
        }
        if (autoResize || size <= buffer) {
            ASSERT_TRUE(receiver.waitForDatagrams(before + 1));
            EXPECT_EQ(receiver.received.back().data, data);
        } else {
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return receiver.errors.size() > errorsBefore; }, kWaitMs));
            EXPECT_EQ(receiver.udp.GetError(), socket_error::kMessageTooLong);
        }

        // Arbitrary sizes up to beyond the largest datagram, some out-of-band, to a third
        // socket (random ports could reach other programs' sockets). A datagram up to 65507
        // bytes leaves whole; a larger one is "message too long", out-of-band data on a
        // datagram socket "operation not supported" (which of the two a datagram that is
        // both gets is the system's choice); each failure is one sending error and -1.
        const int otherSize = uniform(0, 70000);
        const bool otherOutOfBand = uniform(0, 5) == 0;
        const size_t senderErrorsBefore = sender.errors.size();
        const int result = sender.udp.Send(kLocal, elsewhere.udp.GetLocalPort(),
                                           randomBytes(otherSize), otherOutOfBand);
        const bool tooLong = otherSize > kLargestDatagram;
        if (!otherOutOfBand && !tooLong) {
            EXPECT_EQ(result, otherSize);
            EXPECT_EQ(sender.udp.GetError(), 0);
            EXPECT_EQ(sender.errors.size(), senderErrorsBefore);
            continue;
        }
        EXPECT_EQ(result, -1);
        ASSERT_EQ(sender.errors.size(), senderErrorsBefore + 1);
        EXPECT_EQ(sender.errors.back(), THmErrorAt::Sending);
        if (!otherOutOfBand) {
            EXPECT_EQ(sender.udp.GetError(), socket_error::kMessageTooLong);
        } else if (!tooLong) {
            EXPECT_EQ(sender.udp.GetError(), socket_error::kOperationNotSupported);
        } else {
            EXPECT_TRUE(sender.udp.GetError() == socket_error::kMessageTooLong ||
                        sender.udp.GetError() == socket_error::kOperationNotSupported)
                << sender.udp.GetError();
        }
    }
    settle();
    EXPECT_EQ(sender.udp.GetState(), THmSocketState::Open);
    EXPECT_EQ(receiver.udp.GetState(), THmSocketState::Open);
}
