// The display window on the chosen one of two X screens (tests/xvfb.sh --two-screens).
#include <gtest/gtest.h>

#include <QScreen>
#include <QWindow>

#include "../display/display_fixture.h"
#include "platform/screen_list.h"
#include "waiting_and_ports.h"

// Last: its macros (Bool, Status, None) would break the Qt headers.
#include <X11/Xlib.h>

using namespace zul;
using zul::test::DisplayFixture;
using zul::test::waitFor;

namespace {

// The number of the X screen whose root window is the parent of `window`'s top level.
int xScreenOf(WId window) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return -1;
    }
    XWindowAttributes attributes{};
    int screen = -1;
    if (XGetWindowAttributes(display, static_cast<Window>(window), &attributes) != 0) {
        screen = XScreenNumberOfScreen(attributes.screen);
    }
    XCloseDisplay(display);
    return screen;
}

}  // namespace

TEST(TwoScreens, TheDisplayCoversTheChosenScreenWhenTheRoleStarts) {
    const QList<QScreen*> screens = screensInHubOrder();
    ASSERT_EQ(screens.size(), 2) << "the X server should have two screens";
    // Both X screens are called alike; the second is told apart by its number.
    const QStringList keys = screenKeys(screenEntries(screens));
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[1], keys[0] + QStringLiteral(" #2"));
    ASSERT_EQ(screens[1]->geometry().size(), QSize(1024, 768));

    struct Case {
        QString chosen;
        int xScreen;
        QSize size;
    };
    const Case cases[] = {
        {keys[1], 1, QSize(1024, 768)},
        {QString(), 0, QSize(1280, 800)},
        {keys[0], 0, QSize(1280, 800)},
        // A screen this machine does not have: the primary.
        {QStringLiteral("HDMI-9"), 0, QSize(1280, 800)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        DisplayFixture f;
        f.settings.Screen.set(c.chosen);
        f.display->showForDisplay();
        EXPECT_TRUE(waitFor([&] { return f.display->isVisible() && f.display->size() == c.size; }))
            << f.display->width() << "x" << f.display->height();
        EXPECT_EQ(xScreenOf(f.display->winId()), c.xScreen);
    }
}

TEST(TwoScreens, AChoiceMadeWhileTheDisplayRunsMovesItToTheOtherScreen) {
    const QStringList keys = screenKeys(screenEntries(screensInHubOrder()));
    ASSERT_EQ(keys.size(), 2);
    DisplayFixture f;
    f.display->showForDisplay();
    ASSERT_TRUE(waitFor([&] { return f.display->size() == QSize(1280, 800); }));
    f.settings.Screen.set(keys[1]);
    EXPECT_TRUE(waitFor([&] { return f.display->size() == QSize(1024, 768); }));
    EXPECT_TRUE(f.display->isVisible());
    EXPECT_EQ(xScreenOf(f.display->winId()), 1);
    f.settings.Screen.set(keys[0]);
    EXPECT_TRUE(waitFor([&] { return f.display->size() == QSize(1280, 800); }));
    EXPECT_TRUE(f.display->isVisible());
    EXPECT_EQ(xScreenOf(f.display->winId()), 0);
}
