// What a presentation is, where a paged viewer goes on each step, and the failure texts.
#include <gtest/gtest.h>

#include "external/slide_show.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

TEST(SlideShow, PresentationsAndTheShowsImpressRuns) {
    struct Case {
        const char* ext;
        bool presentation;
        bool impressShow;
    };
    const Case cases[] = {
        {"ppt", true, true},   {"pptx", true, true},  {"odp", true, true},
        {"sxd", true, false},  {"doc", false, false}, {"xls", false, false},
        {"pdf", false, false}, {"PPT", false, false},  // callers fold the case first
        {"", false, false},
    };
    for (const Case& c : cases) {
        const QString ext = QString::fromLatin1(c.ext);
        EXPECT_EQ(isPresentationExtension(ext), c.presentation) << c.ext;
        EXPECT_EQ(isImpressShowExtension(ext), c.impressShow) << c.ext;
    }
}

TEST(SlideShow, PageAfterEachStepStaysInsideTheDocument) {
    struct Case {
        ShowOp op;
        int current;
        int count;
        int expected;
    };
    const Case cases[] = {
        {ShowOp::Next, 0, 3, 1},       {ShowOp::Next, 2, 3, 2},
        {ShowOp::Previous, 2, 3, 1},   {ShowOp::Previous, 0, 3, 0},
        {ShowOp::Start, 2, 3, 0},      {ShowOp::End, 1, 3, 0},
        {ShowOp::Next, 0, 1, 0},       {ShowOp::Next, 0, 0, 0},
        {ShowOp::Previous, 0, 0, 0},   {ShowOp::Next, 7, 3, 2},
        {ShowOp::Previous, -5, 3, 0},  {ShowOp::Next, -5, 3, 1},
        {ShowOp::Next, INT_MAX, 3, 2}, {ShowOp::Previous, INT_MIN, 3, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pageAfter(c.op, c.current, c.count), c.expected)
            << static_cast<int>(c.op) << " from " << c.current << " of " << c.count;
    }
}

TEST(SlideShow, FailureMessagesAreThoseTheOperatorsKnow) {
    const QByteArray open = sj("エラー：PowerPointとの連携ができませんでした。");
    const QByteArray reload = sj("エラー：制御できません。再ロードが必要かもしれません。");
    const QByteArray reread = sj("エラー：制御できません。再読込が必要でしょう。");
    EXPECT_EQ(failureMessage(ShowOp::Open), open);
    EXPECT_EQ(failureMessage(ShowOp::Start), reload);
    EXPECT_EQ(failureMessage(ShowOp::Next), reload);
    EXPECT_EQ(failureMessage(ShowOp::Previous), reread);
    EXPECT_EQ(failureMessage(ShowOp::End), reread);
}
