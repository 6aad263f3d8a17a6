// The texts of the IPtalk cooperation, byte for byte.
#include <gtest/gtest.h>

#include "external/iptalk_datagrams.h"
#include "test_support.h"

namespace zul {
namespace {

using test::fromHex;
using test::sj;

TEST(IptalkPort, ChannelIndexGivesThePort) {
    const std::pair<int, quint16> cases[] = {
        {0, 6712}, {1, 6812}, {2, 6912}, {11, 7812}, {-1, 6712}, {12, 7812}, {INT_MAX, 7812},
    };
    for (const auto& [channel, port] : cases) {
        EXPECT_EQ(iptalkPort(channel), port) << channel;
    }
}

TEST(IptalkTexts, SettingsFileBatchPassesTheNameUnchanged) {
    const QByteArray name = sj("C:\\字幕\\会場.dp9");
    const QByteArrayList batch = iptalkSettingsFileBatch(name);
    ASSERT_EQ(batch.size(), 3);
    // "$set$999:＜番号付き表示設定ファイル２＞" in code page 932.
    EXPECT_EQ(batch[0], "$set$999:" + fromHex("8183 94d4 8d86 9574 82ab 955c 8ea6 90dd 92e8 8374 "
                                              "8340 8343 838b 8251 8184"));
    EXPECT_EQ(batch[1], "$set$617:" + name + sj(":設定の読込を指示"));
    EXPECT_EQ(batch[2], "$end$");
}

TEST(IptalkTexts, FadeBatchOnEndsInFullWidthLettersOffInAscii) {
    struct Case {
        bool on;
        qint32 amount;
        QByteArray second;
        QByteArray fifth;
    };
    const Case cases[] = {
        {true, 128, sj("$set$401:true:フェード") + fromHex("828f 828e"),
         "$set$402:128" + sj(":フェードの量")},
        {false, 0, sj("$set$401:false:フェードoff"), "$set$402:0" + sj(":フェードの量")},
        // The amount goes as the packet carried it, beyond a byte and below zero too.
        {true, 300, sj("$set$401:true:フェードｏｎ"), "$set$402:300" + sj(":フェードの量")},
        {true, -5, sj("$set$401:true:フェードｏｎ"), "$set$402:-5" + sj(":フェードの量")},
    };
    for (const Case& c : cases) {
        const QByteArrayList batch = iptalkFadeBatch(c.on, c.amount);
        ASSERT_EQ(batch.size(), 6);
        const QByteArray opening = sj("$set$999:＜番号付き表示設定ファイル２＞");
        EXPECT_EQ(batch[0], opening);
        EXPECT_EQ(batch[1], c.second) << c.amount;
        EXPECT_EQ(batch[2], "$end$");
        EXPECT_EQ(batch[3], opening);
        EXPECT_EQ(batch[4], c.fifth);
        EXPECT_EQ(batch[5], "$end$");
        for (const QByteArray& d : batch) {
            EXPECT_FALSE(d.contains('\0') || d.contains('\n') || d.contains('\r'));
        }
    }
}

TEST(IptalkTexts, FailureLinesNameThePositionInFullWidthDigits) {
    EXPECT_EQ(iptalkSendFailure(1),
              QStringLiteral("データグラム１送信失敗。IPTalkと連携できません。"));
    EXPECT_EQ(iptalkSendFailure(6),
              QStringLiteral("データグラム６送信失敗。IPTalkと連携できません。"));
}

TEST(IptalkPosition, PacketCarriesBoxesAndFlags) {
    IptalkPlacement p;
    p.x = 1024;
    p.y = 0;
    p.width = 640;
    p.height = 480;
    p.topmost = true;
    p.noSync = false;
    EXPECT_EQ(iptalkPositionPacket(p), QByteArray("\x28"
                                                  "1024 0 640 480 1 0\n"));
    p.topmost = false;
    p.noSync = true;
    p.x = -100;
    EXPECT_EQ(iptalkPositionPacket(p), QByteArray("\x28"
                                                  "-100 0 640 480 0 1\n"));
}

TEST(IptalkPosition, OperandReadsSixNumbersSeparatedByAnySingleByte) {
    using O = std::optional<qint32>;
    struct Case {
        const char* operand;
        O x, y, w, h, top, sync;
    };
    const Case cases[] = {
        {"1024 0 640 480 1 0", 1024, 0, 640, 480, 1, 0},
        {"-100 -100 800 200 1 0", -100, -100, 800, 200, 1, 0},
        {"1,2,3,4,0,1", 1, 2, 3, 4, 0, 1},
        {"1  2\t3 4 5 6", 1, 2, 3, 4, 5, 6},  // %ld skips blanks after the separator
        {"10 20", 10, 20, {}, {}, {}, {}},
        {"10 x 30 40 1 1", 10, {}, {}, {}, {}, {}},  // unreadable: it and the rest missing
        {"10,,30 40 1 1", 10, {}, {}, {}, {}, {}},   // two separators: the second is no number
        {"", {}, {}, {}, {}, {}, {}},
        {"# # # # # #", {}, {}, {}, {}, {}, {}},
        {"99999999999 1 2 3 1 0", static_cast<qint32>(99999999999LL), 1, 2, 3, 1, 0},
    };
    for (const Case& c : cases) {
        const IptalkPositionOperand p = parseIptalkPosition(c.operand);
        EXPECT_EQ(p.x, c.x) << c.operand;
        EXPECT_EQ(p.y, c.y) << c.operand;
        EXPECT_EQ(p.width, c.w) << c.operand;
        EXPECT_EQ(p.height, c.h) << c.operand;
        EXPECT_EQ(p.topmost, c.top) << c.operand;
        EXPECT_EQ(p.noSync, c.sync) << c.operand;
    }
}

}  // namespace
}  // namespace zul
