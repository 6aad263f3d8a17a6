#include <gtest/gtest.h>

#include "commands/display_reader.h"
#include "commands/interpreter.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "protocol/packet_splitter.h"
#include "recording_mirror.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

struct Fixture {
    DebugLog log;
    Interpreter interpreter{log};
    test::RecordingMirror mirror;
    test::RecordingConnection connection{QStringLiteral("op-pc")};
    QByteArrayList seen;  // packets handled, as work copies

    Fixture() {
        interpreter.setMirror(&mirror);
        // Every command records its work copy.
        for (int b = kFirstCommandByte; b <= kLastCommandByte; ++b) {
            interpreter.setHandler(static_cast<Cmd>(b),
                                   [this](PacketContext& c) { seen << c.work; });
        }
    }
    QByteArray lastLog() const { return log.lines().last(); }
};

QByteArray packet(int byte, const QByteArray& operand = {}) {
    return QByteArray(1, static_cast<char>(byte)) + operand;
}

}  // namespace

TEST(Interpreter, RunsTheHandlerOfTheCommandByteThenHandsOver) {
    Fixture f;
    QByteArray operand;
    f.interpreter.setHandler(Cmd::CmdLineUpdate, [&](PacketContext& c) { operand = c.operand(); });
    f.interpreter.ExecutePacket(packet(36, sj("あいう")) + "\n", &f.connection);
    EXPECT_EQ(operand, sj("あいう"));
    EXPECT_EQ(f.mirror.packets, QByteArrayList{packet(36, sj("あいう")) + "\n"});
}

TEST(Interpreter, CommandWithoutOperandRunsWithAnEmptyOperand) {
    Fixture f;
    QByteArray operand = "unset";
    f.interpreter.setHandler(Cmd::CmdPartsClear, [&](PacketContext& c) { operand = c.operand(); });
    f.interpreter.ExecutePacket(packet(48), nullptr);
    EXPECT_TRUE(operand.isEmpty());
}

TEST(Interpreter, UnknownBytesAreLoggedAsZeroAndStillMirrored) {
    struct Case {
        QByteArray packet;
        QByteArray mirrored;
    };
    const Case cases[] = {
        {QByteArray(), "\n"},  // a lone line feed on the wire
        {packet(29, "x"), packet(29, "x") + "\n"},
        {packet(86, "y"), packet(86, "y") + "\n"},
        {packet(200, "z"), packet(200, "z") + "\n"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.interpreter.ExecutePacket(c.packet, &f.connection);
        EXPECT_TRUE(f.seen.isEmpty());
        EXPECT_TRUE(f.lastLog().startsWith(
            sj(".PKT受信[S]: client=[op-pc               ] Cmd(000[不明なパケット(未処理)")))
            << f.lastLog().constData();
        EXPECT_EQ(f.mirror.packets, QByteArrayList{c.mirrored});
    }
}

TEST(Interpreter, InternalUnknownPacketLogsAnEmptyClient) {
    Fixture f;
    f.interpreter.ExecutePacket(packet(5), nullptr);
    EXPECT_TRUE(f.lastLog().startsWith(sj(".PKT受信[S]: client=[                    ] Cmd(000[")));
}

TEST(Interpreter, ReplyCommandsDoNothingButAreMirrored) {
    DebugLog log;
    Interpreter interpreter(log);
    test::RecordingMirror mirror;
    interpreter.setMirror(&mirror);
    interpreter.ExecutePacket(packet(33, "file.jpg"), nullptr);
    EXPECT_EQ(mirror.packets, QByteArrayList{packet(33, "file.jpg") + "\n"});
}

TEST(Interpreter, HandlerCanSkipTheHandOver) {
    Fixture f;
    f.interpreter.setHandler(Cmd::CmdIptalkShow, [](PacketContext& c) { c.handOver = false; });
    f.interpreter.ExecutePacket(packet(51), nullptr);
    EXPECT_TRUE(f.mirror.packets.isEmpty());
}

TEST(Interpreter, NoHandOverWhenTheMirrorIsOff) {
    Fixture f;
    f.mirror.wanted = false;
    f.interpreter.ExecutePacket(packet(36, "a"), nullptr);
    EXPECT_TRUE(f.mirror.packets.isEmpty());
}

TEST(Interpreter, FailingHandlerPropagatesAndSkipsTheHandOver) {
    Fixture f;
    f.interpreter.setHandler(Cmd::CmdWallpaper,
                             [](PacketContext&) { throw ZulError(QStringLiteral("no file")); });
    EXPECT_THROW(f.interpreter.ExecutePacket(packet(31, "x.jpg"), nullptr), ZulError);
    EXPECT_TRUE(f.mirror.packets.isEmpty());
}

TEST(Interpreter, WorkAndMirrorCopiesHoldAtMost259Bytes) {
    Fixture f;
    const QByteArray longOperand(400, 'a');
    f.interpreter.ExecutePacket(packet(36, longOperand), nullptr);
    ASSERT_EQ(f.seen.size(), 1);
    EXPECT_EQ(f.seen[0].size(), 259);
    EXPECT_EQ(f.mirror.packets[0], packet(36, QByteArray(258, 'a')) + "\n");
    // A double-byte character across the cut is dropped whole, never split.
    f.seen.clear();
    f.interpreter.ExecutePacket(packet(36, QByteArray(257, 'a') + sj("表")), nullptr);
    EXPECT_EQ(f.seen[0], packet(36, QByteArray(257, 'a')));
}

TEST(Interpreter, NestedPacketsAreMirroredBeforeTheOuterOne) {
    Fixture f;
    f.interpreter.setHandler(Cmd::CmdFileSetLoad, [&](PacketContext& c) {
        f.interpreter.ExecutePacket(packet(31, "bg.jpg"), c.connection);
        f.interpreter.ExecutePacket(packet(35, "list.txt"), c.connection);
    });
    f.interpreter.ExecutePacket(packet(42, "set.rf1"), &f.connection);
    EXPECT_EQ(f.mirror.packets,
              (QByteArrayList{packet(31, "bg.jpg") + "\n", packet(35, "list.txt") + "\n",
                              packet(42, "set.rf1") + "\n"}));
}

TEST(Interpreter, RepliesGoToTheAskingConnectionOnly) {
    Fixture f;
    f.interpreter.setHandler(Cmd::CmdCpuLoadRequest,
                             [](PacketContext& c) { c.reply(packet(75, "12") + "\n"); });
    f.interpreter.ExecutePacket(packet(74, ","), &f.connection);
    f.interpreter.ExecutePacket(packet(74), nullptr);  // internal: nowhere to answer
    EXPECT_EQ(f.connection.sent, QByteArrayList{packet(75, "12") + "\n"});
}

// ---- reading a connection ----------------------------------------------------------------

TEST(DisplayReader, SplitsLogsAndRunsPacketsInOrderAcrossReads) {
    Fixture f;
    test::RecordingErrors errors;
    DisplayReader reader(f.interpreter, f.log, errors);
    PacketSplitter buffer;
    reader.received(buffer, packet(36, "one") + "\n" + packet(36, "two") + "\n" + packet(36),
                    &f.connection);
    EXPECT_EQ(f.seen, (QByteArrayList{packet(36, "one"), packet(36, "two")}));
    reader.received(buffer, "three\n", &f.connection);
    EXPECT_EQ(f.seen.last(), packet(36, "three"));
    EXPECT_TRUE(f.log.lines().contains(sj("PKT受信[S]: Cmd(036[1行更新") + QByteArray(40 - 7, ' ') +
                                       "]) Op(three)"));
}

TEST(DisplayReader, FailingPacketDoesNotHoldBackThePacketsBehindIt) {
    Fixture f;
    test::RecordingErrors errors;
    DisplayReader reader(f.interpreter, f.log, errors);
    f.interpreter.setHandler(Cmd::CmdWallpaper,
                             [](PacketContext&) { throw ZulError(QStringLiteral("missing.jpg")); });
    PacketSplitter buffer;
    reader.received(buffer, packet(31, "missing.jpg") + "\n" + packet(36, "after") + "\n",
                    &f.connection);
    EXPECT_EQ(errors.messages, QStringList{"missing.jpg"});
    EXPECT_EQ(f.seen, QByteArrayList{packet(36, "after")});
    EXPECT_EQ(buffer.bufferedBytes(), 0);
}

TEST(DisplayReader, OverLongLineIsDiscardedWithALogLineAndTheStreamRecovers) {
    Fixture f;
    test::RecordingErrors errors;
    DisplayReader reader(f.interpreter, f.log, errors);
    PacketSplitter buffer;
    reader.received(buffer, packet(36, QByteArray(2000, 'x')), &f.connection);
    reader.received(buffer, QByteArray("\n") + packet(36, "ok") + "\n", &f.connection);
    EXPECT_EQ(f.seen, QByteArrayList{packet(36, "ok")});
    bool logged = false;
    for (const QByteArray& l : f.log.lines()) {
        logged |= l.contains("2001");
    }
    EXPECT_TRUE(logged);
}
