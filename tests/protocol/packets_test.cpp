#include <gtest/gtest.h>

#include "protocol/packet_splitter.h"
#include "protocol/packets.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

QByteArray byte(int value) {
    return QByteArray(1, static_cast<char>(value));
}

}  // namespace

TEST(Packets, CommandPackets) {
    EXPECT_EQ(makePacket(Cmd::CmdLineUpdate, sj("あいう")), byte(36) + sj("あいう") + "\n");
    EXPECT_EQ(makePacket(Cmd::CmdCpuLoadRequest, ","), byte(74) + ",\n");
    EXPECT_EQ(makePacket(Cmd::CmdPartsClear), byte(48) + "\n");
    EXPECT_EQ(makePacket(Cmd::CmdMessage, ""), byte(30) + "\n");
    EXPECT_EQ(makePacket(Cmd::CmdCaptionPosition, "1"), byte(85) + "1\n");
    // Internal packets carry no line feed.
    EXPECT_EQ(makeInternalPacket(Cmd::CmdFileSetLoad, "a.rf1"), byte(42) + "a.rf1");
    EXPECT_EQ(makeInternalPacket(Cmd::CmdIptalkHide), byte(43));
}

TEST(Packets, BuiltPacketsSplitBackIntoTheirBytes) {
    PacketSplitter splitter;
    splitter.append(makePacket(Cmd::CmdPartUpdate, sj("得点,12,255,")) +
                    makePacket(Cmd::CmdFontRequest));
    EXPECT_EQ(splitter.takePacket(), byte(44) + sj("得点,12,255,"));
    EXPECT_EQ(splitter.takePacket(), byte(57));
    EXPECT_EQ(splitter.takePacket(), std::nullopt);
}

TEST(Packets, StatusLines) {
    const QByteArray prefix = QByteArray("ZUL,3,") + char(30);
    EXPECT_EQ(statusLine("disp1", sj("ファイルロードを準備中・・"), sj("a\\背景.jpg")),
              prefix + sj("(disp1)ファイルロードを準備中・・(a\\背景.jpg)\n"));
    EXPECT_EQ(statusLine("disp1", sj("部品ロードでエラー発生。")),
              prefix + sj("(disp1)部品ロードでエラー発生。\n"));
    // An empty path still writes its parentheses; no path writes none.
    EXPECT_EQ(statusLine("h", "m", QByteArrayView("")), prefix + "(h)m()\n");
    EXPECT_EQ(statusLineRaw(sj("エラー：制御できません。再読込が必要でしょう。")),
              prefix + sj("エラー：制御できません。再読込が必要でしょう。\n"));
    EXPECT_EQ(statusLineRaw(sj("【op】こんにちは")), prefix + sj("【op】こんにちは\n"));
}

TEST(Packets, Notices) {
    EXPECT_EQ(noticeLine(NoticeKind::PartsChanged), "ZUL,5,VL\n");
    EXPECT_EQ(noticeLine(NoticeKind::DirectoryChanged), "ZUL,5,DIR\n");
    EXPECT_EQ(noticeLine(NoticeKind::FileSetLoaded), "ZUL,5,ALL\n");
}
