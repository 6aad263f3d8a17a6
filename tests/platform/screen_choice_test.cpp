// Which screen the display window covers, and the hub's list of screens.
#include <gtest/gtest.h>

#include "platform/screen_choice.h"

using namespace zul;

namespace {

ScreenEntry screen(const char* name, QRect g, bool primary = false) {
    return ScreenEntry{QString::fromUtf8(name), g, primary};
}

const QRect kLeft(0, 0, 1920, 1080);
const QRect kRight(1920, 0, 1280, 720);
const QRect kThird(3200, 0, 800, 600);

}  // namespace

TEST(ScreenChoice, PrimaryComesFirstAndTwinNamesGetNumbers) {
    const QList<ScreenEntry> system{screen("DP-1", kLeft), screen("HDMI-1", kRight, true),
                                    screen("VGA-1", kThird)};
    const QList<ScreenEntry> hub = hubScreenOrder(system);
    ASSERT_EQ(hub.size(), 3);
    EXPECT_EQ(hub[0].name, "HDMI-1");
    EXPECT_EQ(hub[1].name, "DP-1");
    EXPECT_EQ(hub[2].name, "VGA-1");
    EXPECT_EQ(hubScreenOrder({}).size(), 0);
    EXPECT_EQ(hubScreenOrder({screen("A", kLeft), screen("B", kRight)})[0].name, "A");

    EXPECT_EQ(screenKeys({screen("screen", kLeft, true), screen("screen", kRight),
                          screen("HDMI-1", kThird), screen("screen", kThird)}),
              (QStringList{"screen", "screen #2", "HDMI-1", "screen #3"}));

    EXPECT_EQ(screenLabel(screen("HDMI-1", kRight), "HDMI-1"),
              QStringLiteral("HDMI-1  1280x720  (1920,0)"));
    EXPECT_EQ(screenLabel(screen("DP-1", kLeft, true), "DP-1"),
              QStringLiteral("DP-1  1920x1080  (0,0)（主画面）"));
}

TEST(ScreenChoice, TheChosenScreenOrThePrimaryWhileItIsMissing) {
    struct Case {
        const char* name;
        QList<ScreenEntry> screens;  // hub order
        QString chosen;
        int index;
        bool fallback;
    };
    const QList<ScreenEntry> two{screen("HDMI-1", kLeft, true), screen("DP-1", kRight)};
    const Case cases[] = {
        {"nothing chosen", two, "", 0, false},
        {"the second screen", two, "DP-1", 1, false},
        {"the primary by name", two, "HDMI-1", 0, false},
        // The name counts, not the place in the list.
        {"reordered", {screen("DP-1", kRight, true), screen("HDMI-1", kLeft)}, "HDMI-1", 1, false},
        {"unplugged", {screen("HDMI-1", kLeft, true)}, "DP-1", 0, true},
        {"names compare exactly", two, "dp-1", 0, true},
        {"twin names",
         {screen("screen", kLeft, true), screen("screen", kRight)},
         "screen #2",
         1,
         false},
        {"the twin is gone", {screen("screen", kLeft, true)}, "screen #2", 0, true},
        {"no primary marked", {screen("A", kLeft), screen("B", kRight)}, "C", 0, true},
        {"no screens", {}, "DP-1", -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScreenPlacement p = placeDisplay(c.screens, c.chosen);
        EXPECT_EQ(p.index, c.index);
        EXPECT_EQ(p.fallback, c.fallback);
    }
}

TEST(ScreenChoice, AMissingChoiceStaysInTheListAndStaysChosen) {
    const QList<ScreenEntry> one{screen("HDMI-1", kLeft, true)};
    const ScreenItems missing = screenItems(one, "DP-1");
    ASSERT_EQ(missing.items.size(), 2);
    EXPECT_EQ(missing.items[0].key, "HDMI-1");
    EXPECT_EQ(missing.items[1].key, "DP-1");
    EXPECT_EQ(missing.items[1].label, QStringLiteral("DP-1（未接続）"));
    EXPECT_EQ(missing.current, 1);

    const ScreenItems none = screenItems(one, "");
    ASSERT_EQ(none.items.size(), 1);
    EXPECT_EQ(none.current, 0);

    const ScreenItems found =
        screenItems({screen("HDMI-1", kLeft, true), screen("DP-1", kRight)}, "DP-1");
    ASSERT_EQ(found.items.size(), 2);
    EXPECT_EQ(found.current, 1);
    EXPECT_EQ(found.items[1].label, QStringLiteral("DP-1  1280x720  (1920,0)"));
}
