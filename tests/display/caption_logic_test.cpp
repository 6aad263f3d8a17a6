#include <gtest/gtest.h>

#include "display/caption_logic.h"
#include "model/line_list.h"

using namespace zul;

namespace {

// The texts a scroll would show from here on, until it stops or `limit` lines.
QByteArrayList run(LineList& list, int& index, int& append, int limit = 8) {
    QByteArrayList shown;
    for (int i = 0; i < limit; ++i) {
        const NextCaption next = takeNextScrollLine(list, index, append);
        if (next.stop) {
            shown << "<stop>";
            break;
        }
        shown << next.text;
    }
    return shown;
}

}  // namespace

TEST(CaptionLogic, ListModeLoopsAndSkipsEmptyLines) {
    LineList list;
    list.setLines({"A", "", "B"});
    int index = -1;
    int append = 0;
    EXPECT_EQ(run(list, index, append, 5), (QByteArrayList{"A", "B", "A", "B", "A"}));
    EXPECT_EQ(list.size(), 3);
}

TEST(CaptionLogic, QueueModeShowsEachLineOnceThenStops) {
    LineList list;
    list.setLines({"one", "two", "three"});
    int index = -1;
    int append = 1;
    EXPECT_EQ(run(list, index, append), (QByteArrayList{"one", "two", "three", "<stop>"}));
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(index, -1);
}

TEST(CaptionLogic, QueuedEmptyLineEndsTheQueue) {
    LineList list;
    list.setLines({"one", "", "lost"});
    int index = -1;
    int append = 1;
    EXPECT_EQ(run(list, index, append), (QByteArrayList{"one", "", "<stop>"}));
    EXPECT_EQ(append, -1);
    EXPECT_TRUE(list.isEmpty());
}

TEST(CaptionLogic, EmptyListInListModeStops) {
    LineList list;
    int index = -1;
    int append = 0;
    EXPECT_EQ(run(list, index, append), QByteArrayList{"<stop>"});
}

TEST(CaptionLogic, AListOfOnlyEmptyLinesGivesUpAfterTheSkipLimit) {
    LineList list;
    list.setLines(QByteArrayList(7, QByteArray()));
    int index = -1;
    int append = 0;
    const NextCaption next = takeNextScrollLine(list, index, append);
    EXPECT_FALSE(next.stop);
    EXPECT_TRUE(next.text.isEmpty());
    EXPECT_EQ(index, kMaxLinesSkipped % 7 - 1);
}
