#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "protocol/command_table.h"
#include "protocol/receive_log.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

QByteArray packetOf(int byte, const QByteArray& operand) {
    return QByteArray(1, char(byte)) + operand;
}

// The C library's printf applied to the code page 932 bytes, as the reference for padding.
QByteArray cPrintf(const QByteArray& format, int byte, const QByteArray& label,
                   const QByteArray& operand) {
    std::vector<char> out(4096);
    const int n = std::snprintf(out.data(), out.size(), format.constData(), byte, label.constData(),
                                operand.constData());
    return QByteArray(out.data(), n);
}

QByteArray cPrintf(const QByteArray& format, const QByteArray& host, int byte,
                   const QByteArray& label, const QByteArray& operand) {
    std::vector<char> out(4096);
    const int n = std::snprintf(out.data(), out.size(), format.constData(), host.constData(), byte,
                                label.constData(), operand.constData());
    return QByteArray(out.data(), n);
}

}  // namespace

TEST(ReceiveLog, CaptionLinePacketOnBothMachines) {
    const QByteArray packet = packetOf(36, sj("あいう"));
    const QByteArray label = sj("1行更新") + QByteArray(33, ' ');  // 7 bytes + 33 blanks
    EXPECT_EQ(displayReceiveLine(packet), sj("PKT受信[S]: Cmd(036[") + label + sj("]) Op(あいう)"));
    EXPECT_EQ(operatorReceiveLine(packet), sj("PKT受信[C]:Cmd(036[") + label + sj("]) Op(あいう)"));
}

TEST(ReceiveLog, UnknownAndUnhandledPacketLines) {
    const QByteArray unknown = sj("不明なパケット(未処理)") + QByteArray(18, ' ');  // 22 + 18
    EXPECT_EQ(displayUnknownLine("op-pc", packetOf(200, "abc")),
              sj(".PKT受信[S]: client=[op-pc               ] Cmd(000[") + unknown + "]) Op(abc)");
    // The operator prints the packet's own byte when it is a command it does not handle.
    EXPECT_EQ(operatorUnhandledLine("disp", packetOf(36, "x")),
              sj(",PKT受信[C]: client=[disp                ] Cmd(036[") + unknown + "]) Op(x)");
    // Internal packets have no far end.
    EXPECT_EQ(displayUnknownLine("", packetOf(29, "")),
              sj(".PKT受信[S]: client=[                    ] Cmd(000[") + unknown + "]) Op()");
}

TEST(ReceiveLog, EveryByteFormatsLikePrintf) {
    const QByteArray display = sj("PKT受信[S]: Cmd(%03d[%-40s]) Op(%s)");
    const QByteArray op = sj("PKT受信[C]:Cmd(%03d[%-40s]) Op(%s)");
    const QByteArray unknownFormat = sj(".PKT受信[S]: client=[%-20s] Cmd(%03d[%-40s]) Op(%s)");
    const QByteArray unhandledFormat = sj(",PKT受信[C]: client=[%-20s] Cmd(%03d[%-40s]) Op(%s)");
    const QByteArray operands[] = {"", ",", sj("表示機として起動"), QByteArray(300, 'o')};
    const QByteArray hosts[] = {"", sj("表示機"), "a-host-name-longer-than-20"};
    for (int byte = 0; byte < 256; ++byte) {
        const int shown = commandByteOf(packetOf(byte, {}));
        if (shown == commandByte(Cmd::CmdDirChange)) {
            continue;  // its key is masked: DirectoryChangeKeyIsNeverLogged
        }
        const QByteArray label = commandLabel(shown);
        for (const QByteArray& operand : operands) {
            SCOPED_TRACE(testing::Message() << byte << " " << operand.size());
            const QByteArray packet = packetOf(byte, operand);
            EXPECT_EQ(displayReceiveLine(packet), cPrintf(display, shown, label, operand));
            EXPECT_EQ(operatorReceiveLine(packet), cPrintf(op, shown, label, operand));
            for (const QByteArray& host : hosts) {
                const QByteArray unknown = unknownCommandLabel();
                EXPECT_EQ(displayUnknownLine(host, packet),
                          cPrintf(unknownFormat, host, shown, unknown, operand));
                EXPECT_EQ(operatorUnhandledLine(host, packet),
                          cPrintf(unhandledFormat, host, shown, unknown, operand));
            }
        }
    }
}

// Anybody connected can fetch the log, so the key of a base directory change never goes
// into it; the folder after the first comma is shown as it came.
TEST(ReceiveLog, DirectoryChangeKeyIsNeverLogged) {
    struct Case {
        QByteArray operand;
        QByteArray shown;
    };
    const Case cases[] = {
        {"opensesame,/srv/show/", "****,/srv/show/"},
        {",/srv/show/", "****,/srv/show/"},  // an empty key is not told apart either
        {"opensesame", "****"},              // no comma: all of it is the key
        {"", "****"},
        {"k,a,b", "****,a,b"},  // only the first comma ends the key
        {sj("開けゴマ,展示会"), "****," + sj("展示会")},
        {QByteArray("open\0sesame,/srv/", 17), "****"},  // the log ends the operand at a NUL
    };
    const QByteArray display = sj("PKT受信[S]: Cmd(%03d[%-40s]) Op(%s)");
    const QByteArray op = sj("PKT受信[C]:Cmd(%03d[%-40s]) Op(%s)");
    const int byte = commandByte(Cmd::CmdDirChange);
    const QByteArray label = commandLabel(byte);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand.toHex().constData());
        const QByteArray packet = packetOf(byte, c.operand);
        EXPECT_EQ(displayReceiveLine(packet), cPrintf(display, byte, label, c.shown));
        EXPECT_EQ(operatorReceiveLine(packet), cPrintf(op, byte, label, c.shown));
    }
}

TEST(ReceiveLog, OperandEndsAtNulLikePercentS) {
    const QByteArray packet = packetOf(36, QByteArray("ab\0cd", 5));
    EXPECT_TRUE(displayReceiveLine(packet).endsWith(" Op(ab)"));
    EXPECT_TRUE(displayUnknownLine("h", packet).endsWith(" Op(ab)"));
    EXPECT_EQ(logOperand(packet), "ab");
    EXPECT_EQ(logOperand(""), "");
    EXPECT_EQ(logOperand("$"), "");
    // An empty packet is logged as unknown with an empty operand.
    EXPECT_EQ(displayReceiveLine(""),
              sj("PKT受信[S]: Cmd(000[不明なパケット(未処理)") + QByteArray(18, ' ') + "]) Op()");
}

TEST(ReceiveLog, PrintfPieces) {
    struct PadCase {
        QByteArray text;
        int width;
        QByteArray padded;
    };
    const PadCase pads[] = {
        {"", 3, "   "},
        {"ab", 3, "ab "},
        {"abc", 3, "abc"},
        {"abcd", 3, "abcd"},  // never cut
        {sj("あ"), 3, sj("あ") + " "},
        {sj("あい"), 3, sj("あい")},
        {"x", 0, "x"},
        {"x", -5, "x"},
    };
    for (const PadCase& c : pads) {
        EXPECT_EQ(padRight(c.text, c.width), c.padded) << c.text.toHex().constData();
    }
    struct NumberCase {
        int value;
        int width;
        const char* text;
    };
    const NumberCase numbers[] = {
        {0, 3, "000"}, {36, 3, "036"}, {85, 3, "085"}, {1234, 3, "1234"}, {-5, 3, "-05"},
    };
    for (const NumberCase& c : numbers) {
        EXPECT_EQ(zeroPadded(c.value, c.width), c.text) << c.value;
    }
    EXPECT_EQ(untilNul(QByteArrayView("a\0b", 3)), "a");
    EXPECT_EQ(untilNul("ab"), "ab");
}
