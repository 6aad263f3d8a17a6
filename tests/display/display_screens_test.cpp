// The display window on the chosen screen while screens come and go.
#include <gtest/gtest.h>

#include <QScreen>

#include "display/display_screens.h"
#include "display_fixture.h"
#include "offscreen_screens.h"
#include "platform/cp932.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::DisplayFixture;
using zul::test::OffscreenScreens;
using zul::test::waitFor;

namespace {

const QRect kMain(0, 0, 1024, 768);
const QRect kProjector(1024, 0, 800, 600);

bool logHas(const DebugLog& log, const char* text) {
    for (const QByteArray& line : log.lines()) {
        if (cp932::decode(line).contains(QString::fromUtf8(text))) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(DisplayScreens, TheDisplayLeavesAnUnpluggedScreenForThePrimaryAndComesBack) {
    OffscreenScreens screens;
    if (!screens.available()) {
        GTEST_SKIP() << "the offscreen platform's screens cannot be changed here";
    }
    screens.set({{"HDMI-1", kMain}, {"VGA-1", kProjector}});
    DisplayFixture f;
    f.settings.Screen.set(QStringLiteral("VGA-1"));
    f.display->showForDisplay();
    EXPECT_TRUE(waitFor([&] { return f.display->geometry() == kProjector; }))
        << f.display->geometry().x() << "," << f.display->geometry().width();
    EXPECT_EQ(f.display->screen()->name(), QStringLiteral("VGA-1"));

    screens.set({{"HDMI-1", kMain}});
    EXPECT_TRUE(waitFor([&] { return f.display->geometry() == kMain; }));
    EXPECT_TRUE(
        logHas(f.log, "表示する画面「VGA-1」が見つからないため、主画面「HDMI-1」に表示します。"));
    // The choice itself is kept for the screen's return (and for the settings file).
    EXPECT_EQ(f.settings.Screen(), QStringLiteral("VGA-1"));

    // Another screen that comes is not the chosen one: the display stays.
    screens.set({{"HDMI-1", kMain}, {"VGA-2", kProjector}});
    QTest::qWait(100);
    EXPECT_EQ(f.display->geometry(), kMain);

    screens.set({{"HDMI-1", kMain},
                 {"VGA-2", QRect(1024, 0, 640, 480)},
                 {"VGA-1", QRect(1664, 0, 800, 600)}});
    EXPECT_TRUE(waitFor([&] { return f.display->geometry() == QRect(1664, 0, 800, 600); }));
    EXPECT_TRUE(logHas(f.log, "表示する画面「VGA-1」が戻ったので、この画面に表示します。"));

    // A choice made on the hub moves the running display at once.
    f.settings.Screen.set(QStringLiteral("HDMI-1"));
    EXPECT_TRUE(waitFor([&] { return f.display->geometry() == kMain; }));
}

TEST(DisplayScreens, AHiddenDisplayIsNotShownByScreenChanges) {
    OffscreenScreens screens;
    if (!screens.available()) {
        GTEST_SKIP() << "the offscreen platform's screens cannot be changed here";
    }
    screens.set({{"HDMI-1", kMain}, {"VGA-1", kProjector}});
    DisplayFixture f;
    f.settings.Screen.set(QStringLiteral("VGA-1"));
    ASSERT_FALSE(f.display->isVisible());
    screens.set({{"HDMI-1", kMain}});
    QTest::qWait(100);
    EXPECT_FALSE(f.display->isVisible());
    // The role starts on the primary while the chosen screen is missing.
    f.display->showForDisplay();
    EXPECT_TRUE(waitFor([&] { return f.display->geometry() == kMain; }));
}
