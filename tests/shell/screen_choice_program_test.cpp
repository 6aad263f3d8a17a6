// The hub's "表示する画面" in the whole program, while screens come and go.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTemporaryDir>

#include "display/Zul2_rdisp.h"
#include "model/settings.h"
#include "offscreen_screens.h"
#include "shell/Zul2_main.h"
#include "shell/program.h"
#include "shell/screen_choice_box.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::OffscreenScreens;
using zul::test::waitFor;

namespace {

QStringList labels(const QComboBox& combo) {
    QStringList out;
    for (int i = 0; i < combo.count(); ++i) {
        out << combo.itemText(i);
    }
    return out;
}

}  // namespace

TEST(ScreenChoiceProgram, TheHubListsTheScreensAndFollowsThemAndTheChoiceMovesTheDisplay) {
    OffscreenScreens screens;
    if (!screens.available()) {
        GTEST_SKIP() << "the offscreen platform's screens cannot be changed here";
    }
    screens.set({{"HDMI-1", QRect(0, 0, 1024, 768)}, {"VGA-1", QRect(1024, 0, 800, 600)}});
    QTemporaryDir dir;
    Program::Options o;
    o.startFolder = dir.path();
    o.showWindows = false;
    Program program(o);
    program.settings().Port.set(zul::test::freeTcpPort());
    QComboBox& combo = *program.hubForm().screenChoice().ScreenSel();
    EXPECT_EQ(labels(combo), (QStringList{QStringLiteral("HDMI-1  1024x768  (0,0)（主画面）"),
                                          QStringLiteral("VGA-1  800x600  (1024,0)")}));
    EXPECT_EQ(combo.currentIndex(), 0);

    program.hubForm().Button4Click();
    ASSERT_TRUE(waitFor([&] { return program.display().isVisible(); }));
    // The operator picks the projector: the setting names it, the display moves there.
    combo.setCurrentIndex(1);
    Q_EMIT combo.activated(1);
    EXPECT_EQ(program.settings().Screen(), QStringLiteral("VGA-1"));
    EXPECT_TRUE(waitFor([&] { return program.display().geometry() == QRect(1024, 0, 800, 600); }));

    // Unplugged: the list shows it as missing and keeps it chosen.
    screens.set({{"HDMI-1", QRect(0, 0, 1024, 768)}});
    EXPECT_TRUE(waitFor([&] { return combo.count() == 2 && combo.itemText(1).contains("未接続"); }))
        << labels(combo).join(" | ").toStdString();
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_TRUE(waitFor([&] { return program.display().geometry() == QRect(0, 0, 1024, 768); }));

    // A third screen appears in the list.
    screens.set({{"HDMI-1", QRect(0, 0, 1024, 768)},
                 {"VGA-2", QRect(1024, 0, 640, 480)},
                 {"VGA-1", QRect(1664, 0, 800, 600)}});
    EXPECT_TRUE(waitFor([&] { return combo.count() == 3; }))
        << labels(combo).join(" | ").toStdString();
    EXPECT_EQ(combo.currentText(), QStringLiteral("VGA-1  800x600  (1664,0)"));
    program.hubForm().N1Click();
}
