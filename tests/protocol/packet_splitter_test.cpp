#include <gtest/gtest.h>

#include <QByteArrayList>
#include <functional>
#include <random>

#include "protocol/packet_splitter.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

// Most packets here are caption lines: '$' is byte 36, CmdLineUpdate.

namespace {

QByteArrayList drain(PacketSplitter& splitter) {
    QByteArrayList packets;
    while (auto packet = splitter.takePacket()) {
        packets.append(*packet);
    }
    return packets;
}

QByteArrayList feed(PacketSplitter& splitter, const QByteArrayList& reads) {
    QByteArrayList packets;
    for (const QByteArray& read : reads) {
        splitter.append(read);
        packets += drain(splitter);
    }
    return packets;
}

// What a correct splitter yields for a whole stream: every complete line of at most
// kMaxLineBytes bytes, in order, and the lengths of the longer ones.
struct Expected {
    QByteArrayList packets;
    std::vector<qint64> discarded;
};

Expected splitReference(const QByteArray& stream) {
    Expected e;
    QByteArrayList lines = stream.split('\n');
    lines.removeLast();  // the unfinished tail
    for (const QByteArray& line : lines) {
        if (line.size() > kMaxLineBytes) {
            e.discarded.push_back(line.size());
        } else {
            e.packets.append(line);
        }
    }
    return e;
}

}  // namespace

TEST(PacketSplitter, SplitsReadsIntoPacketsInOrder) {
    const QByteArray line = "$" + sj("あいう");
    struct Case {
        const char* name;
        QByteArrayList reads;
        QByteArrayList packets;
    };
    const Case cases[] = {
        {"two packets in one read", {"$one\n\x1fpic.jpg\n"}, {"$one", "\x1fpic.jpg"}},
        {"command byte alone first", {"$", sj("あいう") + "\n"}, {line}},
        {"line feed alone second", {line, "\n"}, {line}},
        {"lone line feed", {"\n"}, {""}},
        {"empty packets between", {"\n\n\x30\n"}, {"", "", "\x30"}},
        {"partial tail waits", {"$a\n$b"}, {"$a"}},
        {"tail completed later", {"$a\n$b", "c\n"}, {"$a", "$bc"}},
        {"carriage return is kept", {"$a\r\n"}, {"$a\r"}},
    };
    for (const Case& c : cases) {
        PacketSplitter splitter;
        EXPECT_EQ(feed(splitter, c.reads), c.packets) << c.name;
        EXPECT_TRUE(splitter.takeDiscardNotices().empty()) << c.name;
    }
}

TEST(PacketSplitter, ByteByByteFeedingGivesTheSamePackets) {
    const QByteArray stream = "$" + sj("表示機として起動") + "\n\nJ,\n,a,b,,\n$tail";
    PacketSplitter splitter;
    QByteArrayList packets;
    for (char byte : stream) {
        splitter.append(QByteArrayView(&byte, 1));
        packets += drain(splitter);
    }
    EXPECT_EQ(packets, splitReference(stream).packets);
    EXPECT_EQ(splitter.bufferedBytes(), 5);  // "$tail" waits
}

TEST(PacketSplitter, LineLengthLimitIsExact) {
    struct Case {
        qsizetype length;
        bool accepted;
    };
    for (const Case c :
         {Case{1022, true}, Case{1023, true}, Case{1024, false}, Case{5000, false}}) {
        for (qsizetype split : {qsizetype(0), qsizetype(1), c.length / 2, c.length}) {
            SCOPED_TRACE(testing::Message() << c.length << " split at " << split);
            const QByteArray line = "$" + QByteArray(c.length - 1, 'x');
            const QByteArray stream = line + "\n$good\n";
            PacketSplitter splitter;
            const QByteArrayList packets = feed(splitter, {stream.left(split), stream.mid(split)});
            const std::vector<qint64> notices = splitter.takeDiscardNotices();
            if (c.accepted) {
                EXPECT_EQ(packets, QByteArrayList({line, "$good"}));
                EXPECT_TRUE(notices.empty());
            } else {
                EXPECT_EQ(packets, QByteArrayList({"$good"}));
                EXPECT_EQ(notices, std::vector<qint64>({c.length}));
            }
        }
    }
}

TEST(PacketSplitter, OverLongLineBetweenGoodOnesIsDroppedWhole) {
    PacketSplitter splitter;
    splitter.append("$before\n" + QByteArray(1024, 'y'));
    EXPECT_EQ(drain(splitter), QByteArrayList({"$before"}));
    splitter.append(QByteArray(10, 'z') + "\n$after\n");
    EXPECT_EQ(drain(splitter), QByteArrayList({"$after"}));
    EXPECT_EQ(splitter.takeDiscardNotices(), std::vector<qint64>({1034}));
    EXPECT_TRUE(splitter.takeDiscardNotices().empty());
}

TEST(PacketSplitter, EndlessLineKeepsMemoryBounded) {
    const QByteArray chunk(4096, 'a');
    PacketSplitter splitter;
    splitter.append("$");
    qint64 sent = 1;
    for (int i = 0; i < 256; ++i) {  // 1 MB without a line feed
        splitter.append(chunk);
        sent += chunk.size();
        ASSERT_LE(splitter.bufferedBytes(), kMaxLineBytes);
        ASSERT_FALSE(splitter.takePacket().has_value());
    }
    const QByteArray huge(1 << 20, 'b');  // and 1 MB in a single read
    splitter.append(huge);
    sent += huge.size();
    EXPECT_LE(splitter.bufferedBytes(), kMaxLineBytes);
    EXPECT_TRUE(splitter.takeDiscardNotices().empty());  // reported once the line ends

    splitter.append("\n$ok\n");
    EXPECT_EQ(drain(splitter), QByteArrayList({"$ok"}));
    EXPECT_EQ(splitter.takeDiscardNotices(), std::vector<qint64>({sent}));
}

TEST(PacketSplitter, ClearDropsBufferedBytesAndEndsAnOverLongLine) {
    PacketSplitter splitter;
    splitter.append("$a\n$partial");
    splitter.clear();
    EXPECT_EQ(splitter.bufferedBytes(), 0);
    EXPECT_FALSE(splitter.takePacket().has_value());
    splitter.append("$b\n");
    EXPECT_EQ(drain(splitter), QByteArrayList({"$b"}));

    splitter.append(QByteArray(2000, 'x'));
    splitter.clear();
    EXPECT_EQ(splitter.takeDiscardNotices(), std::vector<qint64>({2000}));
    // After the reset the next bytes start a new packet rather than being skipped.
    splitter.append("$c\n");
    EXPECT_EQ(drain(splitter), QByteArrayList({"$c"}));
}

// A packet's processing may let events run, which takes the following packets (and may
// even append a new read) before the outer loop continues.
TEST(PacketSplitter, ReentrantProcessingTakesEveryPacketOnceInOrder) {
    PacketSplitter splitter;
    QByteArrayList processed;
    std::function<void()> readLoop;
    std::function<void(const QByteArray&)> process = [&](const QByteArray& packet) {
        processed.append(packet);
        if (packet == "*outer") {
            splitter.append("5\n$6");  // completes "$4", starts another
            readLoop();
        }
    };
    readLoop = [&] {
        while (auto packet = splitter.takePacket()) {
            process(*packet);
        }
    };
    splitter.append("$1\n*outer\n$2\n$3\n$4");
    readLoop();
    EXPECT_EQ(processed, QByteArrayList({"$1", "*outer", "$2", "$3", "$45"}));
    EXPECT_EQ(splitter.bufferedBytes(), 2);
}

TEST(PacketSplitter, RandomStreamsMatchTheReference) {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        // Line lengths around the limit are frequent, line feeds are sparse or dense.
        QByteArray stream;
        std::uniform_int_distribution<int> lineCount(0, 12);
        std::uniform_int_distribution<int> lengthKind(0, 3);
        std::uniform_int_distribution<int> byteValue(0, 255);
        const int lines = lineCount(rng);
        for (int i = 0; i <= lines; ++i) {
            const int kind = lengthKind(rng);
            const int length = kind == 0   ? int(rng() % 8)
                               : kind == 1 ? int(1015 + rng() % 16)
                               : kind == 2 ? int(rng() % 3000)
                                           : int(rng() % 300);
            for (int b = 0; b < length; ++b) {
                char c = char(byteValue(rng));
                stream += c == '\n' ? 'n' : c;
            }
            if (i < lines) {
                stream += '\n';
            }
        }
        PacketSplitter splitter;
        QByteArrayList packets;
        std::vector<qint64> notices;
        for (qsizetype pos = 0; pos < stream.size();) {
            const qsizetype n = qMin<qsizetype>(1 + rng() % 2500, stream.size() - pos);
            splitter.append(QByteArrayView(stream).sliced(pos, n));
            pos += n;
            for (const QByteArray& p : drain(splitter)) {
                ASSERT_LE(p.size(), kMaxLineBytes);
                ASSERT_FALSE(p.contains('\n'));
                packets.append(p);
            }
            for (qint64 d : splitter.takeDiscardNotices()) {
                notices.push_back(d);
            }
            ASSERT_LE(splitter.bufferedBytes(), kMaxLineBytes);
        }
        const Expected expected = splitReference(stream);
        EXPECT_EQ(packets, expected.packets);
        EXPECT_EQ(notices, expected.discarded);
    }
}

TEST(PacketSplitter, TakingSomePacketsBetweenAppendsKeepsTheStream) {
    // A read that runs out of time takes only some of the packets; more bytes come before
    // the rest are taken. Nothing may be lost, repeated or reordered, however the takes and
    // appends interleave, and hasPacket() must tell the truth all along.
    std::mt19937 rng(77);
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        QByteArray stream;
        const int lines = 1 + int(rng() % 400);
        for (int i = 0; i < lines; ++i) {
            const int kind = int(rng() % 10);
            const int length = kind == 0 ? int(1000 + rng() % 60) : int(rng() % 40);
            stream += QByteArray(length, char('a' + i % 26)) + '\n';
        }
        stream += "tail";
        PacketSplitter splitter;
        QByteArrayList packets;
        for (qsizetype pos = 0; pos < stream.size();) {
            const qsizetype n = qMin<qsizetype>(1 + rng() % 3000, stream.size() - pos);
            splitter.append(QByteArrayView(stream).sliced(pos, n));
            pos += n;
            for (int take = int(rng() % 6); take > 0; --take) {
                const bool announced = splitter.hasPacket();
                const std::optional<QByteArray> p = splitter.takePacket();
                ASSERT_EQ(announced, p.has_value());
                if (p) {
                    packets.append(*p);
                }
            }
        }
        packets += drain(splitter);
        EXPECT_FALSE(splitter.hasPacket());
        EXPECT_EQ(packets, splitReference(stream).packets);
        EXPECT_EQ(splitter.bufferedBytes(), 4);  // "tail" waits for its line feed
    }
}

TEST(PacketSplitter, RandomBytesNeverBreakTheLimits) {
    std::mt19937 rng(7);
    PacketSplitter splitter;
    for (int read = 0; read < 2000; ++read) {
        QByteArray bytes(1 + rng() % 1500, Qt::Uninitialized);
        for (char& c : bytes) {
            c = char(rng() % 256);
        }
        splitter.append(bytes);
        while (auto packet = splitter.takePacket()) {
            ASSERT_LE(packet->size(), kMaxLineBytes);
            ASSERT_FALSE(packet->contains('\n'));
        }
        ASSERT_LE(splitter.bufferedBytes(), kMaxLineBytes);
    }
}
