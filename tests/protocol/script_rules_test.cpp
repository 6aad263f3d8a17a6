#include <gtest/gtest.h>

#include "protocol/script_rules.h"
#include "test_support.h"

using namespace zul;
using test::sj;

TEST(ScriptRules, CommentLinesStartWithTheThreeBytes) {
    const struct {
        QByteArray line;
        bool comment;
    } cases[] = {
        {"<--", true},       {sj("<--ここで拍手"), true},
        {"<--Que 1", true},  {"<-", false},
        {"", false},         {" <--Que", false},
        {sj("＜--"), false}, {sj("<<ここに文字を入力し、送信指示してください>>"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isCommentLine(c.line), c.comment) << c.line.toStdString();
    }
}

TEST(ScriptRules, QueueMarkersFoldOnlyAsciiLetters) {
    const struct {
        QByteArray line;
        bool marker;
    } cases[] = {
        {"<--Que 2", true},
        {"<--QUE 3", true},
        {"<--que 4", true},
        {"<--qUe", true},
        {sj("<-- Ｑ"), true},
        {sj("<-- Ｑ１ 開会"), true},
        {" <--Que", false},  // a space first: not even a comment
        {"<--Qu", false},
        {"<-- Que", false},
        {"<--Queue", true},
        {sj("<-- ｑ"), false},  // the full-width lower case letter is no ASCII letter
        // "１" is 0x82 0x50: its second byte is the ASCII "P", whose lower case would be
        // the second byte of "Ｑ" (0x82 0x70).
        {sj("<-- １"), false},
        {sj("<--ここで拍手"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isQueueMarker(c.line), c.marker) << c.line.toStdString();
        if (c.marker) {
            EXPECT_TRUE(isCommentLine(c.line));
        }
    }
}

TEST(ScriptRules, EntriesNumberTheMarkerLineAndDropTheCommentStart) {
    EXPECT_EQ(queueEntry(7, sj("<--Que 2 開会")), sj("00007:Que 2 開会"));
    EXPECT_EQ(queueEntry(123, "<--que"), QByteArray("00123:que"));
    EXPECT_EQ(queueEntry(0, sj("<-- Ｑ")), sj("00000: Ｑ"));
    EXPECT_EQ(queueEntry(1234567, "<--QUE x"), QByteArray("1234567:QUE x"));
    EXPECT_EQ(queueEntry(5, "<--note"), std::nullopt);

    const QByteArrayList lines{"start", "<--Que 1", "text", "<--note", sj("<-- Ｑ２"), "<--que"};
    EXPECT_EQ(queueEntries(lines), QByteArrayList({"00001:Que 1", sj("00004: Ｑ２"), "00005:que"}));
}

TEST(ScriptRules, AJumpReadsTheWholeNumberOfItsEntry) {
    EXPECT_EQ(queueEntryLine("00123:Que"), 123);
    EXPECT_EQ(queueEntryLine("1234567:Que"), 1234567);
    EXPECT_EQ(queueEntryLine("00000:"), 0);
    EXPECT_EQ(queueEntryLine(":Que"), std::nullopt);
    EXPECT_EQ(queueEntryLine(""), std::nullopt);
    EXPECT_EQ(queueEntryLine("99999999999:Que"), std::nullopt);
}

TEST(ScriptRules, TheJumpCaretGoesThirteenLinesDownOrToTheLastLine) {
    const struct {
        int marker;
        int lineCount;
        int caret;
    } cases[] = {
        {0, 100, 13}, {30, 60, 43}, {46, 60, 59}, {47, 60, 59}, {59, 60, 59}, {0, 1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(queueJumpCaretLine(c.marker, c.lineCount), c.caret)
            << c.marker << " of " << c.lineCount;
    }
}
