// The setup wizard pushes every value typed, ticked or picked into the setting of the same
// name, and leaves the settings alone until then.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "model/peer_list.h"
#include "model/settings.h"
#include "recording_dialogs.h"
#include "services/Zul2_ezfrm.h"

using namespace zul;

namespace {

class SetupWizard : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.BaseDir.set(QStringLiteral("/srv/show"));
        settings_.MirrorName.set(QStringLiteral("mirror-pc"));
        settings_.MirrorPort.set(31000);
        wizard_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard_));
    }

    QPushButton* button(const char* name) {
        auto* b = wizard_.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    Settings settings_;
    test::RecordingDialogs dialogs_;
    PeerList peers_;
    TEasyZUL wizard_{settings_, dialogs_, peers_};
};

}  // namespace

TEST_F(SetupWizard, FivePagesStepByStepWithTheirOwnStartValues) {
    EXPECT_EQ(wizard_.windowTitle(), QStringLiteral("サーバセットアップウィザード"));
    EXPECT_TRUE(wizard_.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QTabWidget* pages = wizard_.pages();
    ASSERT_EQ(pages->count(), 5);
    const QStringList captions = {QStringLiteral("はじめに"), QStringLiteral("基本ディレクトリ"),
                                  QStringLiteral("パケットミラー"), QStringLiteral("保存"),
                                  QStringLiteral("起動")};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pages->tabText(i), captions[i]);
    }
    EXPECT_EQ(pages->currentIndex(), 0);
    int expected = 1;
    for (const char* next : {"Button1", "Button3", "Button6", "Button5"}) {
        EXPECT_EQ(button(next)->text(), QStringLiteral("次へ"));
        click(next);
        EXPECT_EQ(pages->currentIndex(), expected++) << next;
    }

    // The wizard's boxes start from their own values; opening it changed nothing.
    EXPECT_EQ(wizard_.BaseDir()->text(), QStringLiteral("c:\\"));
    EXPECT_EQ(wizard_.MirrorName()->text(), QStringLiteral("localhost"));
    EXPECT_EQ(wizard_.MirrorPort()->value(), 30000);
    EXPECT_EQ(wizard_.MirrorPort()->minimum(), 0);
    EXPECT_EQ(wizard_.MirrorPort()->maximum(), 65535);
    EXPECT_FALSE(wizard_.MirrorSel()->isChecked());
    EXPECT_EQ(settings_.BaseDir(), QStringLiteral("/srv/show"));
    EXPECT_EQ(settings_.MirrorName(), QStringLiteral("mirror-pc"));
    EXPECT_EQ(settings_.MirrorPort(), 31000);
}

TEST_F(SetupWizard, TypedValuesGoToTheSettings) {
    wizard_.pages()->setCurrentIndex(1);
    QLineEdit* dir = wizard_.BaseDir();
    dir->setFocus();
    dir->setCursorPosition(dir->text().size());
    QTest::keyClick(dir, Qt::Key_X);
    EXPECT_EQ(settings_.BaseDir(), QStringLiteral("c:\\x")) << "one letter: the whole text";
    dir->selectAll();
    QTest::keyClicks(dir, QStringLiteral("/home/show"));
    EXPECT_EQ(settings_.BaseDir(), QStringLiteral("/home/show"));

    wizard_.pages()->setCurrentIndex(2);
    QLineEdit* name = wizard_.MirrorName();
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("second"));
    EXPECT_EQ(settings_.MirrorName(), QStringLiteral("second"));
    QSpinBox* port = wizard_.MirrorPort();
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, QStringLiteral("30500"));
    EXPECT_EQ(settings_.MirrorPort(), 30500);

    QSignalSpy mirror(&settings_.MirrorSel, &SettingBase::changed);
    QCheckBox* sel = wizard_.MirrorSel();
    sel->setFocus();
    QTest::keyClick(sel, Qt::Key_Space);
    EXPECT_TRUE(settings_.MirrorSel()) << "the key ticks the hub's box too";
    QTest::mouseClick(sel, Qt::LeftButton, {}, QPoint(6, sel->height() / 2));
    EXPECT_FALSE(settings_.MirrorSel());
    EXPECT_EQ(mirror.size(), 2);
}

TEST_F(SetupWizard, PickersFillTheBoxesAndACancelChangesNothing) {
    wizard_.pages()->setCurrentIndex(1);
    click("Button2");
    EXPECT_EQ(wizard_.BaseDir()->text(), QStringLiteral("c:\\"));
    EXPECT_EQ(settings_.BaseDir(), QStringLiteral("/srv/show")) << "cancelled";
    dialogs_.folders.enqueue(QStringLiteral("/data/event"));
    click("Button2");
    EXPECT_EQ(wizard_.BaseDir()->text(), QStringLiteral("/data/event"));
    EXPECT_EQ(settings_.BaseDir(), QStringLiteral("/data/event"));

    // The display machines that discovery found are offered.
    peers_.add(QStringLiteral("[C]console"));
    peers_.add(QStringLiteral("[S]hall-left"));
    peers_.add(QStringLiteral("[W]hall-right"));
    wizard_.pages()->setCurrentIndex(2);
    click("MS_select");
    QMenu* menu = wizard_.peerMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
    QStringList offered;
    for (QAction* a : menu->actions()) {
        offered << a->text();
    }
    EXPECT_EQ(offered, (QStringList{QStringLiteral("hall-left"), QStringLiteral("hall-right")}));
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_EQ(settings_.MirrorName(), QStringLiteral("mirror-pc")) << "closed without a choice";
    click("MS_select");
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[1]).center());
    EXPECT_EQ(wizard_.MirrorName()->text(), QStringLiteral("hall-right"));
    EXPECT_EQ(settings_.MirrorName(), QStringLiteral("hall-right"));
}

TEST_F(SetupWizard, SaveStartAndFinish) {
    QSignalSpy save(&wizard_, &TEasyZUL::saveRequested);
    QSignalSpy hub(&wizard_, &TEasyZUL::hubRequested);
    QSignalSpy start(&wizard_, &TEasyZUL::startDisplayRequested);
    wizard_.pages()->setCurrentIndex(3);
    click("Button4");
    EXPECT_EQ(save.size(), 1);
    EXPECT_TRUE(wizard_.isVisible());

    wizard_.pages()->setCurrentIndex(4);
    click("Button8");
    EXPECT_FALSE(wizard_.isVisible());
    EXPECT_EQ(hub.size(), 1);
    EXPECT_EQ(start.size(), 0);

    wizard_.show();
    click("Button7");
    EXPECT_FALSE(wizard_.isVisible());
    EXPECT_EQ(hub.size(), 2);
    EXPECT_EQ(start.size(), 1);

    // Closed by its close box, the wizard still brings the hub back.
    wizard_.show();
    wizard_.close();
    EXPECT_FALSE(wizard_.isVisible());
    EXPECT_EQ(hub.size(), 3);
    EXPECT_EQ(start.size(), 1);
}
