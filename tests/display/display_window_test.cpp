// The display window offscreen: ShowFile, caption line, update lists, fades and frame.
#include <gtest/gtest.h>

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegion>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

#include "display/Zul2_backwind.h"
#include "display/Zul2_rdisp.h"
#include "display/viewers.h"
#include "display_fixture.h"
#include "model/hub_state.h"
#include "model/line_list.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;
using zul::test::writeAll;

namespace {

void writePicture(const QString& path, QSize size, QColor colour) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    img.save(path, "JPG");
}

void writePdf(const QString& path) {
    QPdfWriter writer(path);
    QPainter p(&writer);
    p.fillRect(QRect(0, 0, 1000, 1000), Qt::blue);
}

struct Fixture : test::DisplayFixture {
    bool listenerOpen = true;

    Fixture() {
        display->displayOpen = [this] { return listenerOpen; };
        display->FormResize();
    }
    int visibleViewers() const {
        int n = 0;
        for (QWidget* w :
             {static_cast<QWidget*>(display->Image1()), static_cast<QWidget*>(display->WebPanel()),
              static_cast<QWidget*>(display->OLEPanel()), static_cast<QWidget*>(display->PDF())}) {
            n += w->isHidden() ? 0 : 1;
        }
        return n;
    }
};

}  // namespace

TEST(DisplayWindow, ContentKindComesFromTheLowerCaseExtension) {
    struct Case {
        const char* name;
        ContentKind kind;
    };
    const Case cases[] = {
        {"PHOTO.JPG", ContentKind::Picture}, {"a.jpeg", ContentKind::Picture},
        {"x.Wmf", ContentKind::Picture},     {"report.PPT", ContentKind::Office},
        {"a.sxd", ContentKind::Office},      {"b.xls", ContentKind::Office},
        {"c.PDF", ContentKind::Pdf},         {"index.htm", ContentKind::Web},
        {"notes.txt", ContentKind::Web},     {"noext", ContentKind::Web},
        {"dir.jpg/page", ContentKind::Web},  {"a.pptx", ContentKind::Office},
        {"b.Odp", ContentKind::Office},      {"c.pps", ContentKind::Web},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(contentKindOf(QString::fromLatin1(c.name)), c.kind) << c.name;
    }
}

TEST(DisplayWindow, ShowFileShowsOneViewerAndAnnouncesStartAndEnd) {
    Fixture f;
    writePicture(f.path("PHOTO.JPG"), QSize(160, 120), Qt::red);
    writePdf(f.path("doc.pdf"));
    writeAll(f.path("page.htm"), "<html><body>hi</body></html>");

    f.display->ShowFile("PHOTO.JPG");
    EXPECT_EQ(f.display->visibleViewer(), f.display->Image1());
    EXPECT_EQ(f.visibleViewers(), 1);
    EXPECT_EQ(f.hub.Current.CurBackground, QByteArray("PHOTO.JPG"));
    ASSERT_EQ(f.datagrams.sent.size(), 2);
    EXPECT_EQ(f.datagrams.sent[0],
              "ZUL,3,\x1e(pc1)" + sj("ファイルロードを準備中・・") + "(PHOTO.JPG)\n");
    EXPECT_EQ(f.datagrams.sent[1],
              "ZUL,3,\x1e(pc1)" + sj("ファイルのロードを完了しました。") + "(PHOTO.JPG)\n");

    f.display->ShowFile("doc.pdf");
    EXPECT_EQ(f.display->visibleViewer(), f.display->PDF());
    EXPECT_EQ(f.visibleViewers(), 1);

    f.display->ShowFile("page.htm");
    EXPECT_EQ(f.display->visibleViewer(), f.display->WebPanel());
    EXPECT_EQ(f.visibleViewers(), 1);
}

TEST(DisplayWindow, FileThatCannotBeShownKeepsThePreviousContent) {
    Fixture f;
    writePicture(f.path("ok.jpg"), QSize(100, 100), Qt::green);
    writeAll(f.path("broken.jpg"), "not a picture");
    f.display->ShowFile("ok.jpg");
    f.datagrams.sent.clear();
    for (const char* bad : {"missing.jpg", "broken.jpg", "missing.pdf"}) {
        EXPECT_THROW(f.display->ShowFile(bad), ZulError) << bad;
        EXPECT_EQ(f.display->visibleViewer(), f.display->Image1());
    }
    // Only the "preparing" lines went out: no completion for a failed file.
    for (const QByteArray& d : f.datagrams.sent) {
        EXPECT_FALSE(d.contains(sj("ファイルのロードを完了しました。")));
    }
}

TEST(DisplayWindow, OperatorFileStopsTheWebListButTheRotationDoesNot) {
    Fixture f;
    writePicture(f.path("a.jpg"), QSize(10, 10), Qt::blue);
    f.display->webTimer().start(10000);
    f.hub.FromWebList = true;
    f.display->ShowFile("a.jpg");
    EXPECT_TRUE(f.display->webTimer().isActive());
    f.hub.FromWebList = false;
    f.display->ShowFile("a.jpg");
    EXPECT_FALSE(f.display->webTimer().isActive());
}

TEST(DisplayWindow, FrameAdjustmentAndTheNextShowFile) {
    Fixture f;
    f.display->setGeometry(0, 0, 1024, 768);
    f.display->Panel1()->setGeometry(0, 0, 1024, 700);
    f.display->adjustFrame(1, true, false);
    EXPECT_EQ(f.display->Panel1()->geometry(), QRect(0, -10, 1024, 710));
    EXPECT_EQ(f.settings.Panel1(), QRect(0, -10, 1024, 710));
    f.display->adjustFrame(2, true, false);
    EXPECT_EQ(f.display->Panel1()->geometry(), QRect(10, -10, 1014, 710));

    // The next file moves the content area back to the corner; its size stays.
    writePicture(f.path("a.jpg"), QSize(10, 10), Qt::blue);
    f.display->ShowFile("a.jpg");
    EXPECT_EQ(f.display->Panel1()->geometry(), QRect(0, 0, 1014, 710));

    const int before = f.display->height();
    f.display->adjustFrame(4, false, true);
    EXPECT_EQ(f.display->height(), before + 10);
}

TEST(DisplayWindow, FadesNeedFadeSwitchingAndTakeTheValueAsAByte) {
    Fixture f;
    f.settings.ChangeWall.set(false);
    f.display->CmdFade("100");
    EXPECT_EQ(f.display->opacity(), 255);
    f.settings.ChangeWall.set(true);
    f.display->CmdFade("300");
    EXPECT_EQ(f.display->opacity(), 44);
    f.display->CmdFade("0");
    EXPECT_EQ(f.display->opacity(), 0);
    f.display->CmdFadeSetting("1,255");
    EXPECT_EQ(f.settings.WallColor(), 255);
    EXPECT_EQ(f.back.coverColour(), QColor(255, 0, 0));
    EXPECT_TRUE(f.back.coverPicture().isNull());
}

TEST(DisplayWindow, AFadeGoesOnToIptalkWithTheAmountAsThePacketCarriedIt) {
    struct Case {
        bool changeWall;
        bool noSync;
        const char* operand;
        QList<qint32> passed;
    };
    const Case cases[] = {
        {true, false, "128", {128}},
        {true, false, "300", {300}},  // the window takes only the low byte; IPtalk all of it
        {true, false, "-1", {-1}},
        {true, false, "", {0}},
        {true, true, "128", {}},    // "ワイプを同期させない"
        {false, false, "128", {}},  // no fade switching: nothing at all
    };
    for (const Case& c : cases) {
        Fixture f;
        QList<qint32> passed;
        int opacityWhenPassed = -1;
        f.display->passFadeToIptalk = [&](qint32 amount) {
            passed << amount;
            opacityWhenPassed = f.display->opacity();
        };
        f.settings.ChangeWall.set(c.changeWall);
        f.settings.IPtalk_sync.set(c.noSync);
        f.display->CmdFade(c.operand);
        EXPECT_EQ(passed, c.passed) << c.operand << " sync off " << !c.noSync;
        if (!passed.isEmpty()) {
            EXPECT_EQ(opacityWhenPassed, f.display->opacity()) << "after the window's own fade";
        }
    }
}

TEST(DisplayWindow, CoverPictureAndBackToColour) {
    Fixture f;
    writePicture(f.path("cover.jpg"), QSize(64, 48), Qt::yellow);
    f.display->CmdFadeImage("cover.jpg");
    EXPECT_TRUE(f.settings.ChangeWall());
    EXPECT_EQ(f.back.coverColour(), QColor(Qt::white));
    EXPECT_FALSE(f.back.coverPicture().isNull());
    f.display->CmdFadeSetting("1,65280");
    EXPECT_TRUE(f.back.coverPicture().isNull());
    EXPECT_EQ(f.back.coverColour(), QColor(0, 255, 0));
    EXPECT_THROW(f.display->CmdFadeImage("missing.jpg"), ZulError);
}

TEST(DisplayWindow, OptionBoxesActOnlyWhenTheyChange) {
    Fixture f;
    writePicture(f.path("a.jpg"), QSize(10, 10), Qt::blue);
    f.display->ShowFile("a.jpg");
    ASSERT_FALSE(f.display->Image1()->image().isNull());
    f.settings.ChangeWall.set(true);  // unchanged: the picture stays
    EXPECT_FALSE(f.display->Image1()->image().isNull());
    f.settings.ChangeWall.set(false);  // changed: the handler empties the picture
    EXPECT_TRUE(f.display->Image1()->image().isNull());
    f.settings.TransChk.set(false);
    EXPECT_FALSE(f.display->Image1()->stretch());
    f.settings.AspectChk.set(true);
    EXPECT_TRUE(f.display->Image1()->proportional());
}

TEST(DisplayWindow, StandingCaptionAndFontUpdate) {
    Fixture f;
    f.display->setGeometry(0, 0, 1024, 768);
    f.display->CmdLineUpdate(sj("ただいまより開会します"));
    EXPECT_EQ(f.display->StrFlame()->ownText(), QStringLiteral("ただいまより開会します"));
    EXPECT_EQ(f.hub.LineAppend, 1);

    f.display->CmdFontUpdate("36 255 16777215 0 0 1 " + sj("ＭＳ ゴシック"));
    EXPECT_EQ(f.display->stripHeight(), 52);
    EXPECT_TRUE(f.settings.StrFlameCentered());
    EXPECT_FALSE(f.settings.ckCenter());
    EXPECT_EQ(f.settings.SampleText.fontName(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(f.settings.SampleText.fontColor(), 255);

    f.display->setGeometry(0, 0, 1280, 1024);
    f.display->CmdFontUpdate("36 -1 -1 0 0 0 x");  // negative colours and a short name: kept
    EXPECT_EQ(f.display->stripHeight(), 69);
    EXPECT_EQ(f.settings.SampleText.fontColor(), 255);
    EXPECT_EQ(f.settings.SampleText.fontName(), QStringLiteral("ＭＳ ゴシック"));

    f.display->CmdFontUpdate("20 0 0 0 1 0 Mono");
    EXPECT_EQ(f.display->stripHeight(), 0);  // hidden strip
    f.display->CmdFontUpdate("20");          // fewer values: the rest stays
    EXPECT_TRUE(f.settings.ckStrHide());
}

// Sizes from the wire are bounded before the layout takes 29 x size: the strip and the
// viewers stay inside the window, whatever the number.
TEST(DisplayWindow, FontUpdateWithAHostileSizeKeepsTheLayoutOnScreen) {
    Fixture f;
    f.display->setGeometry(0, 0, 1024, 768);
    for (const bool top : {false, true}) {
        f.settings.ckTextPos.set(top);
        for (const char* size : {"2147483647", "4294967295", "99999999999"}) {
            SCOPED_TRACE(size);
            f.display->CmdFontUpdate(QByteArray(size) + " 0 0 0 0 0 Mono");
            EXPECT_EQ(f.settings.SampleText.fontSize(), 1000);
            EXPECT_GE(f.display->stripHeight(), 0);
            EXPECT_LE(f.display->stripHeight(), 8192);
            const QRect web = f.display->WebPanel()->geometry();
            EXPECT_LE(web.height(), 768) << web.height();
            EXPECT_LE(f.display->StrFlame()->height(), 8192);
            f.display->LayoutContentArea();
            EXPECT_LE(f.display->WebPanel()->geometry().height(), 768);
        }
    }
    // A negative size (including INT_MIN) leaves the size as it is.
    f.display->CmdFontUpdate("-2147483648 0 0 0 0 0 Mono");
    EXPECT_EQ(f.settings.SampleText.fontSize(), 1000);
}

TEST(DisplayWindow, ScrollingQueueShowsEachLineOnceAndStops) {
    Fixture f;
    f.settings.ckStrScroll.set(true);
    f.display->strScTimer().stop();
    f.hub.ScrollStep = 400;  // leave the strip in a few ticks
    for (const char* line : {"one", "two", "three"}) {
        f.display->CmdLineUpdate(line);
    }
    f.display->strScTimer().stop();
    QByteArrayList shown;
    for (int tick = 0; tick < 100 && (tick == 0 || f.display->strScTimer().isActive()); ++tick) {
        const QByteArray before = f.display->captionText();
        f.display->strScTimer().stop();
        f.display->StrScTimerTimer();
        if (f.display->captionText() != before && !f.display->captionText().isEmpty()) {
            shown << f.display->captionText();
        }
    }
    EXPECT_EQ(shown, (QByteArrayList{"one", "two", "three"}));
    EXPECT_FALSE(f.display->strScTimer().isActive());
    EXPECT_TRUE(f.strList.isEmpty());
}

// A tick lets pending events run before it starts its timer again; a command that arrives
// then decides whether scrolling goes on.
TEST(DisplayWindow, CommandsRunInsideAScrollTickDecideWhetherScrollingGoesOn) {
    const struct {
        const char* name;
        std::function<void(Fixture&)> arrives;
        bool scrolling;
        bool standingList;
    } cases[] = {
        {"CmdLineUpdateStop", [](Fixture& f) { f.display->CmdLineUpdateStop(); }, false, false},
        {"scroll switch off", [](Fixture& f) { f.settings.ckStrScroll.set(false); }, false, true},
        {"CmdLineUpdate while scrolling", [](Fixture& f) { f.display->CmdLineUpdate("next"); },
         true, false},
        {"nothing", [](Fixture&) {}, true, false},
    };
    for (const auto& c : cases) {
        Fixture f;
        writeAll(f.path("list.txt"), "A\r\nB\r\n");
        f.settings.ckStrScroll.set(true);
        f.display->CmdTextUpdateList("list.txt");
        ASSERT_TRUE(f.display->strScTimer().isActive());
        f.display->strScTimer().stop();  // the tick is run by hand below
        QTimer::singleShot(0, f.display.get(), [&f, &c] { c.arrives(f); });
        f.display->StrScTimerTimer();
        EXPECT_EQ(f.display->strScTimer().isActive(), c.scrolling) << c.name;
        EXPECT_EQ(f.display->strTimer().isActive(), c.standingList) << c.name;
    }
}

TEST(DisplayWindow, NewQueueAfterAListStartsAtItsFirstLine) {
    Fixture f;
    writeAll(f.path("list.txt"), "A\r\nB\r\nC\r\nD\r\n");
    f.settings.ckStrScroll.set(true);
    f.display->CmdTextUpdateList("list.txt");
    f.hub.TextIndex = 3;  // the list has been scrolling for a while
    f.display->CmdLineUpdate("fresh");
    EXPECT_EQ(f.hub.TextIndex, -1);
    EXPECT_EQ(f.strList.lines(), QByteArrayList{"fresh"});
}

TEST(DisplayWindow, StandingTextListStepsThroughEveryLine) {
    Fixture f;
    writeAll(f.path("list.txt"), "A\r\n\r\nB\r\n");
    f.display->CmdTextUpdateList("list.txt");
    EXPECT_TRUE(f.display->strTimer().isActive());
    EXPECT_EQ(f.hub.Current.CurTextList, QByteArray("list.txt"));
    QStringList shown;
    for (int i = 0; i < 4; ++i) {
        f.display->StrTimerTimer();
        shown << f.display->StrFlame()->ownText();
    }
    EXPECT_EQ(shown, (QStringList{"A", "", "B", "A"}));
    f.display->CmdLineUpdate("operator line");
    EXPECT_FALSE(f.display->strTimer().isActive());
    EXPECT_THROW(f.display->CmdTextUpdateList("missing.txt"), ZulError);
}

TEST(DisplayWindow, WebListRotatesThroughItsEntryKinds) {
    Fixture f;
    writeAll(f.path("show.rw1"),
             "photo1.jpg\r\nhttp://127.0.0.1:9/x.htm\r\nnews.rp1\r\nset.rf1\r\n");
    f.display->CmdTimingUpdate("5,3,20,4");
    EXPECT_EQ(f.hub.WebSeconds, 5);
    EXPECT_EQ(f.hub.TextSeconds, 3);
    f.display->CmdWebUpdateList("show.rw1");
    EXPECT_EQ(f.display->webTimer().interval(), 5000);
    EXPECT_TRUE(f.display->webTimer().isActive());
    ASSERT_EQ(f.executor.packets.size(), 1);
    EXPECT_EQ(f.executor.packets[0], QByteArray("\x1f") + "photo1.jpg");
    f.display->WebTimerTimer();
    EXPECT_EQ(f.display->visibleViewer(), f.display->WebPanel());
    f.display->WebTimerTimer();
    EXPECT_EQ(f.executor.packets.last(), QByteArray("\x2e") + "news.rp1");
    f.display->WebTimerTimer();
    EXPECT_EQ(f.executor.packets.last(), QByteArray("\x2a") + "set.rf1");
    EXPECT_FALSE(f.hub.FromWebList);
    f.display->WebTimerTimer();
    EXPECT_EQ(f.executor.packets.last(), QByteArray("\x1f") + "photo1.jpg");

    writeAll(f.path("empty.rw1"), "");
    f.display->CmdWebUpdateList("empty.rw1");
    EXPECT_FALSE(f.display->webTimer().isActive());
}

TEST(DisplayWindow, TimingValuesFromTheNetworkStayInRange) {
    Fixture f;
    f.display->CmdTimingUpdate("0,-5,1,999");
    EXPECT_EQ(f.hub.WebSeconds, 1);
    EXPECT_EQ(f.hub.TextSeconds, 1);
    EXPECT_EQ(f.hub.ScrollMs, 10);
    EXPECT_EQ(f.hub.ScrollStep, 72);
    f.display->CmdTimingUpdate("7,x");
    EXPECT_EQ(f.hub.WebSeconds, 7);
    EXPECT_EQ(f.hub.TextSeconds, 1);
}

TEST(DisplayWindow, F1TwiceReturnsToBorderless) {
    Fixture f;
    EXPECT_FALSE(f.display->isSizeable());
    f.display->W1Click();
    EXPECT_TRUE(f.display->isSizeable());
    f.display->W1Click();
    EXPECT_FALSE(f.display->isSizeable());
    EXPECT_TRUE(f.display->windowFlags().testFlag(Qt::FramelessWindowHint));
}

namespace {

// A picture in three columns: the key colour, a colour one step off the key, and red.
// Written as BMP so that every pixel keeps its exact colour.
void writeKeyPicture(const QString& path, QSize size, QColor key, QColor nearKey) {
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    const int third = size.width() / 3;
    p.fillRect(0, 0, third, size.height(), key);
    p.fillRect(third, 0, third, size.height(), nearKey);
    p.fillRect(2 * third, 0, size.width() - 2 * third, size.height(), Qt::red);
    p.end();
    img.save(path, "BMP");
}

// A PDF of one page of `points`, all blue.
void writePdfPage(const QString& path, QSizeF points) {
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(points, QPageSize::Point, {}, QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    p.fillRect(QRectF(QPointF(0, 0), points), Qt::blue);
}

}  // namespace

TEST(DisplayWindow, ChromaKeyLetsExactlyTheKeyColourThrough) {
    Fixture f;
    f.settings.ckStrHide.set(true);
    f.settings.Panel1.set(QRect(0, 0, 1024, 768));  // the picture viewer fills the window
    const QColor key(0, 255, 0);
    writeKeyPicture(f.path("keyed.bmp"), QSize(1024, 768), key, QColor(0, 254, 0));
    f.display->ShowFile("keyed.bmp");
    f.display->CmdChromaKey("1,65280");
    const QRegion shown = f.display->mask();
    ASSERT_FALSE(shown.isEmpty());
    for (const int y : {0, 400, 767}) {
        EXPECT_FALSE(shown.contains(QPoint(10, y))) << "key colour at y " << y;
        EXPECT_FALSE(shown.contains(QPoint(340, y))) << "key colour at y " << y;
        EXPECT_TRUE(shown.contains(QPoint(350, y))) << "one step off the key at y " << y;
        EXPECT_TRUE(shown.contains(QPoint(1000, y))) << "red at y " << y;
    }

    // A cover picture while keying: the background window keeps what differs from the key.
    f.back.setGeometry(0, 0, 1024, 768);
    writeKeyPicture(f.path("cover.bmp"), QSize(1024, 768), key, QColor(1, 255, 0));
    f.display->CmdFadeImage("cover.bmp");
    const QRegion cover = f.back.mask();
    EXPECT_FALSE(cover.contains(QPoint(100, 300)));
    EXPECT_TRUE(cover.contains(QPoint(500, 300)));
    EXPECT_TRUE(cover.contains(QPoint(900, 300)));

    // Faded out to a cover of the key colour, nothing of the window is left.
    f.display->CmdChromaKey("1,65280");
    f.display->CmdFade("0");
    QTest::qWait(700);  // the mask follows what the window shows twice a second
    EXPECT_FALSE(f.display->mask().isEmpty());
    EXPECT_FALSE(f.display->mask().intersects(f.display->rect()));

    f.display->CmdChromaKey("0,65280");
    EXPECT_TRUE(f.display->mask().isEmpty());
    EXPECT_TRUE(f.back.mask().isEmpty());
}

TEST(DisplayWindow, EveryFrameStepLaysTheContentAreaOutAgain) {
    // The content area fills the window, so every step that makes it larger is trimmed
    // back by the clamp; the caption strip and the viewers must fit the trimmed area.
    struct Step {
        int edge;
        bool up;
    };
    const Step steps[] = {{1, true}, {1, false}, {2, true}, {2, false},
                          {3, true}, {3, false}, {4, true}, {4, false}};
    for (const Step& s : steps) {
        Fixture f;
        f.settings.SampleText.fontSize.set(36);  // a 52-pixel strip at 768 lines
        f.display->setGeometry(0, 0, 1024, 768);
        f.display->Panel1()->setGeometry(0, 0, 1024, 768);
        f.display->FormResize();
        f.display->adjustFrame(s.edge, s.up, false);
        const QSize area = f.display->Panel1()->size();
        ASSERT_LE(area.height(), 768);
        ASSERT_LE(area.width(), 1024);
        const int h = f.display->stripHeight();
        ASSERT_EQ(h, 52);
        const QString where = QStringLiteral("edge %1 dir %2").arg(s.edge).arg(s.up);
        EXPECT_EQ(f.display->StrFlame()->y(), area.height() - h) << qPrintable(where);
        EXPECT_EQ(f.display->StrFlame()->width(), area.width()) << qPrintable(where);
        EXPECT_EQ(f.display->Image1()->geometry(), QRect(0, 0, area.width(), area.height() - h))
            << qPrintable(where);
        EXPECT_EQ(f.display->PDF()->geometry(), QRect(0, 0, area.width() + 20, area.height() - h))
            << qPrintable(where);
    }
}

TEST(DisplayWindow, BackgroundWindowFollowsHidingRestoringAndActivation) {
    Fixture f;
    f.back.show();
    f.display->show();
    ASSERT_TRUE(f.display->bwindSync().isActive());

    f.display->hide();
    EXPECT_TRUE(f.back.isMinimized());
    EXPECT_FALSE(f.display->bwindSync().isActive());

    // Shown again: the follow timer brings the background window back.
    f.display->show();
    f.back.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(f.back.isMinimized());
    ASSERT_TRUE(f.display->bwindSync().isActive());
    QTest::qWait(f.display->bwindSync().interval() + 300);
    EXPECT_FALSE(f.back.isMinimized());

    // Activation restores it at once and starts the follow timer.
    f.display->bwindSync().stop();
    f.back.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(f.back.isMinimized());
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(f.display.get(), &activate);
    EXPECT_FALSE(f.back.isMinimized());
    EXPECT_TRUE(f.display->bwindSync().isActive());

    // Restoring the background window keeps a fade; showing it makes the display opaque.
    f.display->CmdFade("0");
    f.back.setWindowState(Qt::WindowMinimized);
    QCoreApplication::sendEvent(f.display.get(), &activate);
    EXPECT_FALSE(f.back.isMinimized());
    EXPECT_EQ(f.display->opacity(), 0);
    f.back.hide();
    f.back.show();
    EXPECT_EQ(f.display->opacity(), 255);

    // Activating the background window (from the task bar, say) brings the display back
    // in front of it.
    f.display->hide();
    ASSERT_FALSE(f.display->isVisible());
    QCoreApplication::sendEvent(&f.back, &activate);
    EXPECT_TRUE(f.display->isVisible());

    // A hidden background window is not shown by the display window hiding.
    f.back.hide();
    f.display->hide();
    EXPECT_TRUE(f.back.isHidden());
}

TEST(DisplayWindow, FadesGoThroughACoverColourSetAfterTheWindowWasMade) {
    // Loading a settings file sets the cover colour long after the windows were made.
    Fixture f;
    ASSERT_EQ(f.back.coverColour(), QColor(Qt::white));
    f.settings.WallColor.set(0);
    EXPECT_EQ(f.back.coverColour(), QColor(Qt::black));
    f.settings.WallColor.set(255);
    EXPECT_EQ(f.back.coverColour(), QColor(Qt::red));

    f.settings.ckStrHide.set(true);
    writePicture(f.path("white.jpg"), QSize(1024, 768), Qt::white);
    f.display->ShowFile("white.jpg");
    f.settings.WallColor.set(0);
    f.display->CmdFade("0");
    const QImage shot = f.display->grab().toImage();
    EXPECT_EQ(shot.pixelColor(512, 384), QColor(Qt::black))
        << shot.pixelColor(512, 384).name().toStdString();
}

TEST(DisplayWindow, PdfPageFitsTheViewerUntilTheWidthOptionFirstChanges) {
    // Pages of every shape, before anyone touched "PowerPoint等のファイルを画面幅調整する":
    // the whole page shows, as large as fits, keeping its shape, centred.
    const QSizeF pages[] = {{1280, 720}, {595, 842}, {100, 50}, {2000, 300}};
    for (const QSizeF& page : pages) {
        Fixture f;
        f.settings.ckStrHide.set(true);
        f.settings.Panel1.set(QRect(0, 0, 1024, 768));
        writePdfPage(f.path("page.pdf"), page);
        f.display->ShowFile("page.pdf");
        // The part of the viewer inside the content area (its scroll-bar margin is clipped).
        const QSize viewer =
            f.display->PDF()->geometry().intersected(QRect(0, 0, 1024, 768)).size();
        const QRect drawn = f.display->PDF()->drawnRect();
        const QString what = QStringLiteral("page %1 x %2").arg(page.width()).arg(page.height());
        EXPECT_TRUE(QRect(QPoint(0, 0), viewer).contains(drawn)) << qPrintable(what);
        EXPECT_TRUE(drawn.width() == viewer.width() || drawn.height() == viewer.height())
            << qPrintable(what);
        // The shape within the truncation of one side to whole pixels.
        const double r = page.width() / page.height();
        EXPECT_LE(std::abs(drawn.width() - drawn.height() * r), r + 1) << qPrintable(what);
        EXPECT_LE(std::abs(drawn.left() - (viewer.width() - drawn.right() - 1)), 1)
            << qPrintable(what);
        EXPECT_LE(std::abs(drawn.top() - (viewer.height() - drawn.bottom() - 1)), 1)
            << qPrintable(what);
    }
}
