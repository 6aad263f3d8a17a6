// LibreOffice Impress running a real slide show for the display window, on a virtual X
// server with a window manager: the show window laid exactly over the Office viewer and kept
// on top, its animation step and slides as the audience sees them (screenshots), the end of
// the show, a second start, and the next file closing it all.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <functional>

#include "../display/display_fixture.h"
#include "display/Zul2_rdisp.h"
#include "display/presentation_control.h"
#include "external/impress_show.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "platform/x11_windows.h"
#include "test_support.h"

using namespace zul;

namespace {

const QColor kRed(0xc0, 0x30, 0x20);
const QColor kGreen(0x20, 0xa0, 0x40);
const QColor kBlack(0, 0, 0);

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 24 && std::abs(a.green() - b.green()) <= 24 &&
           std::abs(a.blue() - b.blue()) <= 24;
}

bool waitFor(const std::function<bool()>& condition, int ms) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms) {
        QTest::qWait(100);
    }
    return condition();
}

// Why Impress cannot run here, or an empty string.
QString whyNoImpress() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return QStringLiteral("needs an X server (run under tests/xvfb.sh --wm)");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        return QStringLiteral("LibreOffice (soffice) is not installed");
    }
    // The "-nogui" packages have no X11 window system: the show would run unseen.
    if (!QFileInfo::exists(QStringLiteral("/usr/lib/libreoffice/program/libvclplug_genlo.so"))) {
        return QStringLiteral("LibreOffice has no X11 window system (\"-nogui\" packages)");
    }
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QStringLiteral("import uno")});
    if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        return QStringLiteral("LibreOffice's Python bridge (python3-uno) is not installed");
    }
    return {};
}

class ImpressSlideShow : public ::testing::Test, protected test::DisplayFixture {
protected:
    ImpressSlideShow() : DisplayFixture({.open = false, .errorsFailTheTest = true}) {}

    void SetUp() override {
        if (const QString why = whyNoImpress(); !why.isEmpty()) {
            GTEST_SKIP() << "Impress cannot start here: " << why.toStdString();
        }
        if (test::makeSamplePresentation(dir.path(), QStringLiteral("slides.odp")).isEmpty()) {
            GTEST_SKIP() << "LibreOffice made no sample presentation";
        }
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(Qt::white);
        picture.save(path("after.jpg"), "JPG");

        openDisplay();
        display->displayOpen = [] { return true; };
        settings.CkPptOleControl.set(true);
        impress.setHelper(QStringLiteral(ZUL_IMPRESS_HELPER));
        display->setGeometry(kWindow);
        display->show();
        settings.Panel1.set(kWindow);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(display.get()));
        display->FormResize();
    }

    // The colour seen on the screen at (fx, fy) of the slide, which Impress fits into the
    // viewer's rectangle keeping the slides' 16:9 shape.
    static QColor slidePixel(const QRect& area, double fx, double fy) {
        QSize slide(16, 9);
        slide.scale(area.size(), Qt::KeepAspectRatio);
        const QPoint origin = area.topLeft() + QPoint((area.width() - slide.width()) / 2,
                                                      (area.height() - slide.height()) / 2);
        const QPoint at = origin + QPoint(static_cast<int>(slide.width() * fx),
                                          static_cast<int>(slide.height() * fy));
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixelColor(at);
    }
    // Waits until the slide shows `colour` (its top, above the box of the first slide).
    static bool audienceSees(const QRect& area, QColor colour) {
        return waitFor([&] { return near(slidePixel(area, 0.5, 0.1), colour); }, 15000);
    }
    static std::string seen(const QRect& area) {
        return slidePixel(area, 0.5, 0.1).name().toStdString();
    }
    std::string lastLog() const {
        return log.lines().isEmpty() ? std::string() : log.lines().last().toStdString();
    }
};

}  // namespace

TEST_F(ImpressSlideShow, RunsOverTheViewerStepsOneEffectAndEnds) {
    QSignalSpy running(&impress, &ImpressShow::showRunning);
    QSignalSpy failed(&impress, &ImpressShow::failed);
    PresentationControl& show = display->presentation();

    display->ShowFile("slides.odp");
    ASSERT_TRUE(waitFor([&] { return !running.isEmpty() || !failed.isEmpty(); }, 120000));
    ASSERT_TRUE(failed.isEmpty()) << "Impress failed: " << lastLog();
    ASSERT_TRUE(show.byImpress());

    // Exactly over the part of the Office viewer that can be seen, and on top.
    const QRect area = display->officeScreenRect();
    EXPECT_EQ(area, QRect(0, 0, 1024, 768 - display->stripHeight()));
    const WindowId window = impress.showWindow();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(windows.rect(window), area);
    EXPECT_TRUE(windows.isTopmost(window));
    EXPECT_TRUE(audienceSees(area, kRed)) << seen(area);

    // The first click plays the box's entrance: the first slide stays. (Under Xvfb
    // Impress does not draw shapes while they are animated, so the box itself is not
    // looked for.) The second click goes on to the next slide, and back is the first.
    show.NextStep();
    QTest::qWait(3000);
    EXPECT_TRUE(near(slidePixel(area, 0.5, 0.1), kRed)) << seen(area);
    show.NextStep();
    EXPECT_TRUE(audienceSees(area, kGreen)) << seen(area);
    show.PreviousStep();
    EXPECT_TRUE(audienceSees(area, kRed)) << seen(area);

    // The end hides the show; the presentation stays open and runs again from the start.
    show.EndShow();
    EXPECT_TRUE(waitFor([&] { return !windows.isMapped(window); }, 15000));
    EXPECT_TRUE(audienceSees(area, kBlack)) << seen(area);
    EXPECT_TRUE(show.byImpress());
    running.clear();
    show.StartShow();
    // The document is loaded again for the new start: as long as the first time on a busy
    // machine.
    ASSERT_TRUE(waitFor([&] { return !running.isEmpty() || !failed.isEmpty(); }, 120000));
    ASSERT_TRUE(failed.isEmpty()) << "Impress failed: " << lastLog();
    EXPECT_TRUE(windows.isMapped(window));
    EXPECT_TRUE(windows.isTopmost(window));
    EXPECT_EQ(windows.rect(window), area);
    EXPECT_TRUE(audienceSees(area, kRed)) << seen(area);

    // The next file closes the presentation and LibreOffice with it.
    display->ShowFile("after.jpg");
    EXPECT_FALSE(show.byImpress());
    EXPECT_TRUE(waitFor([&] { return !windows.exists(window); }, 20000));
    EXPECT_TRUE(waitFor([&] { return impress.closingHelpers() == 0; }, 20000));
    EXPECT_TRUE(failed.isEmpty()) << lastLog();
    for (const QByteArray& line : datagrams.sent) {
        EXPECT_FALSE(line.contains(zul::test::sj("エラー"))) << line.constData();
    }
}
