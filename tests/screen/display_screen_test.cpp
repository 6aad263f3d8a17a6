// What the audience sees, read back from a real X server (Xvfb, no window manager, no
// compositor): screenshots of the display window after captions, pictures, fades, web
// pages and PDF pages.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <functional>

#include "../display/display_fixture.h"
#include "display/Zul2_backwind.h"
#include "display/Zul2_rdisp.h"
#include "display/viewers.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "test_support.h"

using namespace zul;
using zul::test::writeAll;

namespace {

QImage screen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

bool near(QColor a, QColor b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Counts pixels of a row range whose colour is near `colour`.
int countColour(const QImage& img, QRect area, QColor colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += near(img.pixelColor(x, y), colour) ? 1 : 0;
        }
    }
    return n;
}

// Leftmost x of the pixels of `colour` in `area`, or -1.
int leftmostX(const QImage& img, QRect area, QColor colour) {
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (near(img.pixelColor(x, y), colour, 60)) {
                return x;
            }
        }
    }
    return -1;
}

class DisplayScreen : public ::testing::Test, protected test::DisplayFixture {
protected:
    DisplayScreen() : DisplayFixture({.open = false, .errorsFailTheTest = true}) {}

    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        }
        settings.SampleText.fontName.set(QStringLiteral("IPAGothic"));
        settings.SampleText.fontColor.set(0xFFFFFF);  // white text
        settings.SampleText.backColor.set(0x800000);  // on navy (BGR)
        openDisplay();
        display->displayOpen = [] { return true; };
        back.setGeometry(0, 0, 1024, 768);
        back.show();
        display->setGeometry(0, 0, 1024, 768);
        display->show();
        settings.Panel1.set(QRect(0, 0, 1024, 768));  // the content area fills the window
        display->FormResize();
        settle();
    }

    void settle(int ms = 150) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents();
            QTest::qWait(10);
        }
    }

    void writePicture(const char* name, QSize size, QColor colour) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(colour);
        img.save(path(name), "JPG", 100);
    }
};

}  // namespace

TEST_F(DisplayScreen, StandingCaptionIsDrawnInTheStrip) {
    display->CmdLineUpdate("ZUL CAPTION TEST");
    settle();
    const QImage shot = screen();
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        shot.save(QStringLiteral("/tmp/shot_caption.png"));
    }
    const int strip = display->stripHeight();
    ASSERT_GT(strip, 20);
    const QRect stripArea(0, 768 - strip, 1024, strip);
    const QColor navy(0, 0, 128);
    EXPECT_GT(countColour(shot, stripArea, navy), 1024 * strip / 2);      // the strip
    EXPECT_GT(countColour(shot, stripArea, Qt::white), 200);              // the letters
    EXPECT_LT(leftmostX(shot, stripArea, Qt::white), 20);                 // left aligned
    EXPECT_EQ(countColour(shot, QRect(0, 100, 1024, 10), Qt::white), 0);  // nothing above
}

TEST_F(DisplayScreen, ScrollingCaptionMovesLeft) {
    settings.ckStrScroll.set(true);
    hub.ScrollStep = 16;
    display->CmdLineUpdate("SCROLLING CAPTION");
    const int strip = display->stripHeight();
    const QRect stripArea(0, 768 - strip, 1024, strip);
    // The empty current text scrolls through first; wait until the line has entered from
    // the right edge, then take two pictures.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && leftmostX(screen(), stripArea, Qt::white) < 600) {
        settle(20);
    }
    const int first = leftmostX(screen(), stripArea, Qt::white);
    settle(400);
    const int second = leftmostX(screen(), stripArea, Qt::white);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_LT(second, first - 20);
}

TEST_F(DisplayScreen, PictureIsFittedKeepingItsAspect) {
    settings.ckStrHide.set(true);
    settings.AspectChk.set(true);  // stretch keeping the aspect ratio
    display->Panel1()->setGeometry(0, 0, 1024, 700);
    writePicture("wide.jpg", QSize(1600, 1200), Qt::red);
    display->ShowFile("wide.jpg");
    settle();
    const QImage shot = screen();
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        shot.save(QStringLiteral("/tmp/shot_picture.png"));
    }
    EXPECT_TRUE(near(shot.pixelColor(40, 300), Qt::black));
    EXPECT_TRUE(near(shot.pixelColor(50, 300), Qt::red));
    EXPECT_TRUE(near(shot.pixelColor(975, 300), Qt::red));
    EXPECT_TRUE(near(shot.pixelColor(982, 300), Qt::black));
}

TEST_F(DisplayScreen, FadesBlendTheContentIntoTheCover) {
    settings.ckStrHide.set(true);
    writePicture("red.jpg", QSize(1024, 768), Qt::red);
    display->ShowFile("red.jpg");
    display->CmdFadeSetting("1,16711680");  // blue cover
    const QPoint probe(500, 300);
    display->CmdFade("0");
    settle();
    EXPECT_TRUE(near(screen().pixelColor(probe), Qt::blue))
        << screen().pixelColor(probe).name().toStdString();
    display->CmdFade("128");
    settle();
    EXPECT_TRUE(near(screen().pixelColor(probe), QColor(128, 0, 127), 16))
        << screen().pixelColor(probe).name().toStdString();
    display->CmdFade("255");
    settle();
    EXPECT_TRUE(near(screen().pixelColor(probe), Qt::red));
}

TEST_F(DisplayScreen, WebPageIsRendered) {
    writeAll(path("green.htm"),
             "<html><body style='margin:0;background:#00ff00'><h1>ok</h1></body></html>");
    QSignalSpy loaded(display->WebPanel(), &WebView::loadFinished);
    display->ShowFile("green.htm");
    ASSERT_TRUE(loaded.wait(30000) || loaded.count() > 0);
    const QPoint probe(600, 400);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000 && !near(screen().pixelColor(probe), Qt::green)) {
        settle(100);
    }
    EXPECT_TRUE(near(screen().pixelColor(probe), Qt::green));
}

TEST_F(DisplayScreen, PdfPageIsRendered) {
    settings.ckStrHide.set(true);
    settings.PptChk.set(false);
    settings.PptChk.set(true);  // stretch the page over the viewer
    {
        QPdfWriter writer(path("blue.pdf"));
        QPainter p(&writer);
        p.fillRect(QRect(0, 0, writer.width(), writer.height()), Qt::blue);
    }
    display->ShowFile("blue.pdf");
    settle(300);
    EXPECT_TRUE(near(screen().pixelColor(500, 300), Qt::blue))
        << screen().pixelColor(500, 300).name().toStdString();
}

TEST_F(DisplayScreen, ChromaKeyedPictureShowsWhatLiesBehindInExactlyItsKeyColour) {
    // A window under the display stands for the program that the key lets through.
    QWidget behind(nullptr, Qt::Window | Qt::FramelessWindowHint);
    behind.setAutoFillBackground(true);
    QPalette pal = behind.palette();
    pal.setColor(QPalette::Window, Qt::magenta);
    behind.setPalette(pal);
    behind.setGeometry(0, 0, 1024, 768);
    behind.show();
    behind.lower();
    settings.ckStrHide.set(true);
    // Columns: the key colour, one step off it, red. BMP keeps the colours exact.
    const QColor key(0, 255, 0);
    QImage picture(1024, 768, QImage::Format_RGB32);
    {
        QPainter p(&picture);
        p.fillRect(0, 0, 341, 768, key);
        p.fillRect(341, 0, 341, 768, QColor(0, 254, 0));
        p.fillRect(682, 0, 342, 768, Qt::red);
    }
    picture.save(path("keyed.bmp"), "BMP");
    display->ShowFile("keyed.bmp");
    display->CmdChromaKey("1,65280");  // the cover colour is the key too
    settle(300);
    const QImage shot = screen();
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        shot.save(QStringLiteral("/tmp/shot_chroma.png"));
    }
    for (const int y : {5, 384, 760}) {
        EXPECT_EQ(shot.pixelColor(170, y), QColor(Qt::magenta)) << "key column, y " << y;
        EXPECT_EQ(shot.pixelColor(510, y), QColor(0, 254, 0)) << "next to the key, y " << y;
        EXPECT_EQ(shot.pixelColor(850, y), QColor(Qt::red)) << "red column, y " << y;
    }

    display->CmdChromaKey("0,65280");
    settle(300);
    EXPECT_EQ(screen().pixelColor(170, 384), key);
}

TEST_F(DisplayScreen, PdfPageFitsTheScreenBeforeTheWidthOptionIsTouched) {
    settings.ckStrHide.set(true);
    {
        QPdfWriter writer(path("a4.pdf"));
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&writer);
        p.fillRect(QRect(0, 0, writer.width(), writer.height()), Qt::blue);
    }
    display->ShowFile("a4.pdf");
    settle(300);
    const QImage shot = screen();
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        shot.save(QStringLiteral("/tmp/shot_pdf_a4.png"));
    }
    // A portrait page on a landscape screen: full height, black on both sides.
    EXPECT_TRUE(near(shot.pixelColor(512, 2), Qt::blue));
    EXPECT_TRUE(near(shot.pixelColor(512, 765), Qt::blue));  // its foot is on the screen
    EXPECT_TRUE(near(shot.pixelColor(100, 384), Qt::black));
    EXPECT_TRUE(near(shot.pixelColor(940, 384), Qt::black));
    const int left = leftmostX(shot, QRect(0, 384, 1024, 1), Qt::blue);
    // 542 pixels wide, in the middle of the screen.
    EXPECT_NEAR(left, (1024 - 542) / 2, 2);
}

// The hot corner is an aqua square only while the pointer is over it: after its menu has
// been used and the pointer has gone, it is transparent again (X sends the corner no leave
// event once the menu has taken the pointer). Real X input, as a person gives it.
TEST_F(DisplayScreen, HotCornerIsOpaqueOnlyUnderThePointer) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    auto xdotool = [this](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(10000);
        settle(250);
    };
    auto pointAt = [&xdotool](QPoint at) {
        xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    };
    const QColor aqua(0, 255, 255);
    const QRect corner(10, 10, 24, 24);  // inside the 41 x 41 square at (1, 1)
    auto aquaInCorner = [&] { return countColour(screen(), corner, aqua); };

    pointAt(QPoint(300, 300));
    pointAt(QPoint(20, 20));
    EXPECT_EQ(aquaInCorner(), corner.width() * corner.height());
    pointAt(QPoint(600, 300));
    EXPECT_EQ(aquaInCorner(), 0);

    QMenu* menu = display->popupMenu();
    const QPoint beside(600, 300);
    const struct {
        const char* name;
        std::function<void()> close;
    } closings[] = {
        {"Escape",
         [&] {
             pointAt(beside);
             xdotool({"key", "Escape"});
         }},
        {"a click beside the menu",
         [&] {
             pointAt(beside);
             xdotool({"click", "1"});
         }},
        {"a click on an item",
         [&] {
             const QRect item = menu->actionGeometry(menu->actions().constFirst());
             pointAt(menu->mapToGlobal(item.center()));
             xdotool({"click", "1"});
             pointAt(beside);
         }},
    };
    for (const auto& c : closings) {
        pointAt(QPoint(20, 20));
        xdotool({"click", "1"});
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); })) << c.name;
        c.close();
        EXPECT_FALSE(menu->isVisible()) << c.name;
        EXPECT_EQ(aquaInCorner(), 0) << c.name;
    }
}
