// The window functions without an X display: the program runs on the offscreen platform.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStringList>

#include "platform/x11_windows.h"

#include <X11/X.h>

namespace zul {
namespace {

TEST(X11WindowsOffscreen, OnAnotherQtPlatformNothingIsTouchedAndOneLineSaysSo) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    // Even with a display named in the environment: the program's windows are not on it.
    qputenv("DISPLAY", ":0");
    QStringList log;
    X11Windows windows([&log](const QString& line) { log << line; });
    EXPECT_FALSE(windows.available());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.front().contains(QStringLiteral("offscreen"))) << log.front().toStdString();
    EXPECT_EQ(windows.findByClass("Ttalk2e"), 0U);
    EXPECT_FALSE(windows.exists(1));
    windows.setRect(1, {0, 0, 10, 10});
    windows.setTopmost(1, true);
    windows.map(1);
    EXPECT_EQ(log.size(), 1);
    qunsetenv("DISPLAY");
}

// Frame of 1 pixel at the sides and bottom and a 20-pixel title bar.
TEST(ClientRectForFrame, TheWindowManagersGravityRulePutsTheFrameOnTheRequestedRectangle) {
    const QRect outer(300, 200, 500, 150);
    const QMargins frame(1, 20, 1, 1);
    struct Case {
        const char* name;
        int gravity;
        int border;
        QRect expected;
    };
    const Case cases[] = {
        {"north-west: the request's corner is the frame's",
         NorthWestGravity,
         0,
         {300, 200, 498, 129}},
        {"static: the window stays inside the frame", StaticGravity, 0, {301, 220, 498, 129}},
        {"centre", CenterGravity, 0, {301, 210, 498, 129}},
        {"south-east", SouthEastGravity, 0, {302, 221, 498, 129}},
        {"north", NorthGravity, 0, {301, 200, 498, 129}},
        {"unknown gravity counts as north-west", 77, 0, {300, 200, 498, 129}},
        {"a border is part of the request", NorthWestGravity, 2, {300, 200, 494, 125}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clientRectForFrame(outer, frame, c.border, c.gravity), c.expected) << c.name;
    }
    // A rectangle smaller than its frame leaves a 1 x 1 window, never a negative size.
    EXPECT_EQ(clientRectForFrame({10, 10, 0, -5}, frame, 0, NorthWestGravity).size(), QSize(1, 1));
}

}  // namespace
}  // namespace zul
