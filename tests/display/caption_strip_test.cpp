// The caption strip paints with the next frame, once for any number of changes, and a
// scroll tick paints only the band that the moved text uncovers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <functional>

#include "display/caption_strip.h"

using namespace zul;

namespace {

// Counts the strip's paint events and keeps the region of the last one.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget& w) { w.installEventFilter(this); }
    int paints = 0;
    QRegion last;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++paints;
            last = static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

const QString kText = QStringLiteral("scrolling caption ■ 字幕テキスト");

// A strip on the screen of its own, painted once.
struct ShownStrip {
    CaptionStrip strip;
    ShownStrip() {
        strip.setLook(captionFont(QStringLiteral("IPAGothic"), 20), Qt::white, Qt::darkBlue);
        strip.setGeometry(0, 0, 400, 40);
        strip.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&strip));
        QApplication::processEvents();
    }
    QImage onScreen() const {
        return strip.screen()
            ->grabWindow(strip.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
};

}  // namespace

TEST(CaptionStrip, ChangesPaintWithTheNextFrameOnceForAll) {
    struct Case {
        const char* what;
        std::function<void(CaptionStrip&)> change;
    };
    const Case cases[] = {
        {"a standing line replaced (blank, then the new text)",
         [](CaptionStrip& s) {
             s.blank();
             s.setOwnText(QStringLiteral("次の行"));
         }},
        {"scroll ticks",
         [](CaptionStrip& s) {
             for (int x = 300; x > 290; x -= 2) {
                 s.drawScrolling(kText, x);
             }
         }},
        {"a scrolling text replaced, then blanked",
         [](CaptionStrip& s) {
             s.drawScrolling(kText, 10);
             s.drawScrolling(QStringLiteral("other"), 10);
             s.blank();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShownStrip shown;
        shown.strip.setOwnText(QStringLiteral("前の行"));
        QApplication::processEvents();
        PaintLog log(shown.strip);
        c.change(shown.strip);
        EXPECT_EQ(log.paints, 0) << "painted at once, before the event loop ran";
        QApplication::processEvents();
        EXPECT_EQ(log.paints, 1);
    }
}

TEST(CaptionStrip, AScrollTickPaintsOnlyTheUncoveredBandAndShowsWhatAFullPaintShows) {
    ShownStrip shown;
    shown.strip.drawScrolling(kText, 120);
    QApplication::processEvents();
    PaintLog log(shown.strip);
    for (int x = 117; x >= 90; x -= 3) {
        shown.strip.drawScrolling(kText, x);
        QApplication::processEvents();
        ASSERT_EQ(log.last, QRegion(397, 0, 3, 40)) << "tick to x " << x;
    }
    EXPECT_EQ(log.paints, 10);

    // What the screen shows equals a strip drawn once at the last position (and not one
    // a pixel off).
    ShownStrip fresh;
    fresh.strip.drawScrolling(kText, 90);
    ShownStrip off;
    off.strip.drawScrolling(kText, 91);
    QApplication::processEvents();
    const QImage image = shown.onScreen();
    ASSERT_EQ(image.size(), QSize(400, 40));
    EXPECT_EQ(image, fresh.onScreen());
    EXPECT_NE(image, off.onScreen());
}
