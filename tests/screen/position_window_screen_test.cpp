// The parts editor's position window on a real X server without a compositor: turned down to
// its lowest opacity, what lies under it shows through on the screen, also after it moved.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSlider>
#include <QTest>

#include "content/Zul2_fpset.h"
#include "content/Zul2_posview.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "recording_dialogs.h"

using namespace zul;

namespace {

QImage screen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

void settle(int ms = 200) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents();
        QTest::qWait(10);
    }
}

// A frameless window of one colour.
class Patch : public QWidget {
public:
    Patch(QColor colour, QRect where) : QWidget(nullptr, Qt::FramelessWindowHint) {
        QPalette p;
        p.setColor(QPalette::Window, colour);
        setPalette(p);
        setAutoFillBackground(true);
        setGeometry(where);
        show();
    }
};

}  // namespace

TEST(PositionWindowScreen, ShowsWhatLiesBelowWithoutACompositor) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    }
    Patch red(QColor(255, 0, 0), {0, 0, 600, 600});
    Patch blue(QColor(0, 0, 255), {600, 0, 600, 600});
    settle();

    Settings settings;
    test::RecordingDialogs dialogs;
    DebugLog log;
    TFP_Edit editor(settings, dialogs, log);
    TPosView chooser(editor);
    chooser.move(100, 100);
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    settle();
    const QPoint corner(chooser.width() - 4, chooser.height() - 4);
    const auto seen = [&] { return screen().pixelColor(chooser.mapToGlobal(corner)); };
    const QColor opaque = seen();
    EXPECT_LT(opaque.red() - opaque.blue(), 40) << "at full opacity the window's own face";

    chooser.TrackBar1()->setValue(10);
    settle();
    QColor c = seen();
    EXPECT_GT(c.red(), 220);
    EXPECT_LT(c.green(), 40);
    EXPECT_LT(c.blue(), 40);

    // Moved over the blue patch, the blue shows through.
    chooser.move(800, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser.pos() == QPoint(800, 100); }));
    settle();
    c = seen();
    EXPECT_GT(c.blue(), 220);
    EXPECT_LT(c.red(), 40);
}
