// Caption scripts for zulctl: the console's files and UTF-8 files of this machine.
#include <gtest/gtest.h>

#include "ctl/script_file.h"
#include "test_support.h"

using namespace zul::ctl;
using zul::test::sj;

TEST(ZulctlScript, LinesInEitherEncodingBecomeCodePage932) {
    struct Case {
        const char* name;
        QByteArray file;
        QByteArrayList lines;
        int unmappable;
    };
    const Case cases[] = {
        {"console file, CR LF",
         sj("<--Que 1 開会\r\nようこそ\r\n\r\n閉会\r\n"),
         {sj("<--Que 1 開会"), sj("ようこそ"), "", sj("閉会")},
         0},
        {"UTF-8, LF, no final line end",
         "<--メモ\nようこそ\n最後",
         {sj("<--メモ"), sj("ようこそ"), sj("最後")},
         0},
        {"UTF-8 with byte order mark", "\xEF\xBB\xBFようこそ\r\n", {sj("ようこそ")}, 0},
        {"UTF-8 without code page 932 form", "Grüße\n", {"Gr??e"}, 2},
        {"empty file", "", {}, 0},
        {"one empty line", "\r\n", {""}, 0},
        // 0x5C is the second byte of "表" in code page 932; nothing splits it.
        {"code page 932 with 0x5C", sj("表示\r\n"), {sj("表示")}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int unmappable = 0;
        EXPECT_EQ(scriptLines(c.file, &unmappable), c.lines);
        EXPECT_EQ(unmappable, c.unmappable);
    }
}

TEST(ZulctlScript, StepsFollowTheConsolesNoteRules) {
    struct Case {
        QByteArray line;
        ScriptStep step;
    };
    const Case cases[] = {
        {sj("ようこそ"), ScriptStep::Send},
        {"", ScriptStep::Send},
        {"<-", ScriptStep::Send},
        {" <--Que 1", ScriptStep::Send},
        {sj("<--ここで拍手"), ScriptStep::Note},
        {"<--QUE 3", ScriptStep::Marker},
        {sj("<-- Ｑ４"), ScriptStep::Marker},
        {sj("<<ここに文字を入力し、送信指示してください>>"), ScriptStep::Send},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scriptStep(c.line), c.step) << c.line.toHex().constData();
    }
}
