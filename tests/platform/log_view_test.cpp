// A text view fed from a store of lines: nothing is laid out while it is hidden, it is
// filled when shown, and lines arriving while it is shown go in once per frame.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocument>

#include "platform/cp932.h"
#include "platform/log_view.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

struct Fixture {
    QByteArrayList store;
    QPlainTextEdit view;
    LogViewFeed* feed;
    int insertions = 0;  // changes of the view's document that added text

    Fixture() : feed(new LogViewFeed(&view, [this] { return store; })) {
        makeAppendOnly(&view);
        QObject::connect(view.document(), &QTextDocument::contentsChange,
                         [this](int, int, int added) { insertions += added > 0 ? 1 : 0; });
    }
    void add(const QByteArray& line) {
        store << line;
        feed->lineAdded(line);
    }
    void clear() {
        store.clear();
        feed->cleared();
    }
    // Waits past one frame.
    static void frame() { QTest::qWait(LogViewFeed::kFrameMs * 3); }

    QString storeText() const {
        QStringList texts;
        for (const QByteArray& line : store) {
            texts << cp932::decode(line);
        }
        return texts.join(u'\n');
    }
};

}  // namespace

TEST(LogViewFeed, HiddenViewLaysOutNothingAndIsFilledWhenShown) {
    Fixture f;
    for (int i = 0; i < 1000; ++i) {
        f.add("line " + QByteArray::number(i));
    }
    Fixture::frame();
    EXPECT_TRUE(f.view.document()->isEmpty());
    EXPECT_EQ(f.insertions, 0);

    f.view.show();
    EXPECT_EQ(f.view.toPlainText(), f.storeText());  // at once, without waiting for a frame
    EXPECT_LE(f.insertions, 2) << "the whole store in one go, not a thousand lines one by one";
}

TEST(LogViewFeed, ShownViewTakesTheLinesOfAFrameInOneInsertion) {
    Fixture f;
    f.view.show();
    f.add("first");
    Fixture::frame();
    ASSERT_EQ(f.view.toPlainText(), QStringLiteral("first"));
    f.insertions = 0;

    // Code page 932 text, an empty line and a lead byte without its second byte at a line's
    // end: each line decodes as it would alone.
    for (const QByteArray& line : {sj("ＰＫＴ受信"), QByteArray(), QByteArray("\x82"), sj("次")}) {
        f.add(line);
    }
    EXPECT_EQ(f.view.toPlainText(), QStringLiteral("first")) << "nothing before the frame";
    Fixture::frame();
    EXPECT_EQ(f.view.toPlainText(), f.storeText());
    EXPECT_EQ(f.view.toPlainText(), QStringView(u"first\nＰＫＴ受信\n\n\uFFFD\n次").toString());
    EXPECT_EQ(f.insertions, 1);
}

// Whatever happens to the store and the view, once the view is shown and a frame has
// passed it holds the store's lines.
TEST(LogViewFeed, ViewFollowsTheStoreThroughAnySequence) {
    enum Step { Add, AddMany, Clear, Show, Hide, Frame };
    const std::vector<std::vector<Step>> sequences = {
        {Add, Show, Add, Frame},
        {Show, AddMany, Clear, Add, Frame},
        {Show, Add, Frame, Hide, Add, Add, Show},
        {Show, Add, Hide, Clear, Add, Show},
        {Add, Clear, Show},
        {Show, AddMany, Hide, AddMany, Show, Add, Frame, Clear},
        {Show, Clear, Clear, Add, Hide, Show, Frame},
    };
    for (std::size_t s = 0; s < sequences.size(); ++s) {
        SCOPED_TRACE(s);
        Fixture f;
        int n = 0;
        for (Step step : sequences[s]) {
            switch (step) {
                case Add:
                    f.add("line " + QByteArray::number(n++));
                    break;
                case AddMany:
                    for (int i = 0; i < 300; ++i) {
                        f.add(sj("行") + QByteArray::number(n++));
                    }
                    break;
                case Clear:
                    f.clear();
                    break;
                case Show:
                    f.view.show();
                    break;
                case Hide:
                    f.view.hide();
                    break;
                case Frame:
                    Fixture::frame();
                    break;
            }
        }
        f.view.show();
        Fixture::frame();
        EXPECT_EQ(f.view.toPlainText(), f.storeText());
    }
}

// An emptied store empties a shown view at once, not a frame later.
TEST(LogViewFeed, ClearingEmptiesTheViewAtOnce) {
    Fixture f;
    f.view.show();
    f.add("old");
    Fixture::frame();
    f.add("pending");
    f.clear();
    EXPECT_TRUE(f.view.document()->isEmpty());
    Fixture::frame();
    EXPECT_TRUE(f.view.document()->isEmpty());
}
