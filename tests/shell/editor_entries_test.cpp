// Where the parts editor, its preview and position window and the setup wizard are opened
// from in the running program: the hub's buttons, the tray menu's items, the editor itself.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "content/Zul2_fpset.h"
#include "content/Zul2_posview.h"
#include "content/Zul2e_disp.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
#include "services/Zul2_ezfrm.h"
#include "shell/Zul2_main.h"
#include "shell/display_listener.h"
#include "shell/program.h"
#include "test_support.h"

using namespace zul;

namespace {

class EditorEntries : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        Program::Options o;
        o.startFolder = dir_.path();
        o.showWindows = false;
        program_ = std::make_unique<Program>(o);
        program_->setDialogs(&dialogs_);
    }

    QPushButton* hubButton(const QString& text) {
        for (QPushButton* b : program_->hubForm().findChildren<QPushButton*>()) {
            if (b->text() == text) {
                return b;
            }
        }
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }

    // Shows the hub with the page that holds `button` and clicks it.
    void clickOnHub(QPushButton* button) {
        TSettingForm& hub = program_->hubForm();
        hub.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&hub));
        // Every page on the way to the button is brought to the front.
        for (QWidget* w = button; w != nullptr; w = w->parentWidget()) {
            auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
            if (auto* tabs =
                    stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr) {
                tabs->setCurrentWidget(w);
            }
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return button->isVisible(); }));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QTemporaryDir dir_;
    test::RecordingDialogs dialogs_;
    std::unique_ptr<Program> program_;
};

}  // namespace

TEST_F(EditorEntries, HubButtonAndTrayItemOpenThePartsEditor) {
    TFP_Edit& editor = program_->partsEditor();
    EXPECT_EQ(program_->tools().find(QStringLiteral("TFP_Edit")), &editor);
    EXPECT_FALSE(editor.isVisible());
    clickOnHub(hubButton(QStringLiteral("部品設定ツール")));
    EXPECT_TRUE(editor.isVisible());
    editor.close();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(program_->tools().find(QStringLiteral("TFP_Edit")), &editor) << "only hidden";

    program_->hubForm().runTrayAction(TrayAction::PartsEditor);
    EXPECT_TRUE(editor.isVisible());
}

TEST_F(EditorEntries, TheEditorOpensItsPreviewAndPositionWindow) {
    TFP_Edit& editor = program_->partsEditor();
    program_->tools().show(QStringLiteral("TFP_Edit"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));

    QMenuBar* bar = editor.MainMenu();
    QAction* image = nullptr;
    for (QAction* a : bar->actions()) {
        if (a->text() == QStringLiteral("画面イメージ(&I)")) {
            image = a;
        }
    }
    ASSERT_NE(image, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(image).center());
    QMenu* menu = image->menu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {},
                      menu->actionGeometry(menu->actions().first()).center());
    EXPECT_TRUE(program_->partsPreview().isVisible());

    auto* position = editor.findChild<QPushButton*>(QStringLiteral("Button9"));
    ASSERT_NE(position, nullptr);
    QTest::mouseClick(position, Qt::LeftButton);
    TPosView& chooser = program_->positionWindow();
    EXPECT_TRUE(chooser.isVisible());

    // The position window writes into the program's editor.
    chooser.move(30, 40);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return chooser.frameGeometry().topLeft() == QPoint(30, 40); }));
    QTest::mouseClick(chooser.Button1(), Qt::LeftButton);
    EXPECT_EQ(editor.cell(1, kColTop), "40");
    EXPECT_EQ(editor.cell(1, kColLeft), "30");
}

TEST_F(EditorEntries, WizardTakesTheHubsPlacePushesItsValuesAndStartsTheDisplay) {
    TSettingForm& hub = program_->hubForm();
    TEasyZUL& wizard = program_->wizard();
    QPushButton* open = hub.findChild<QPushButton*>(QStringLiteral("Button17"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), QStringLiteral("簡単－表示機設定ツール"));
    const QString baseDir = program_->settings().BaseDir();
    clickOnHub(open);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_FALSE(hub.isVisible());
    EXPECT_EQ(program_->settings().BaseDir(), baseDir) << "opening changes nothing";

    wizard.BaseDir()->selectAll();
    QTest::keyClicks(wizard.BaseDir(), dir_.path());
    EXPECT_EQ(program_->settings().BaseDir(), dir_.path());
    wizard.MirrorName()->selectAll();
    QTest::keyClicks(wizard.MirrorName(), QStringLiteral("next-pc"));
    EXPECT_EQ(program_->settings().MirrorName(), QStringLiteral("next-pc"));

    // "保存" runs the hub's save: its dialog, the file and the message.
    dialogs_.files.enqueue(dir_.filePath(QStringLiteral("wizard.rd1")));
    wizard.pages()->setCurrentIndex(3);
    QTest::mouseClick(wizard.findChild<QPushButton*>(QStringLiteral("Button4")), Qt::LeftButton);
    EXPECT_EQ(dialogs_.lastText(), QStringLiteral("保存しました"));
    const QByteArray saved = test::readAll(dir_.filePath(QStringLiteral("wizard.rd1")));
    EXPECT_TRUE(saved.contains("next-pc")) << saved.toStdString();

    wizard.pages()->setCurrentIndex(4);
    QTest::mouseClick(wizard.findChild<QPushButton*>(QStringLiteral("Button7")), Qt::LeftButton);
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_TRUE(program_->listener().isOpen()) << "the display role runs";

    program_->hubForm().N1Click();
    program_->tools().show(QStringLiteral("TEasyZUL"));
    hub.hide();
    QTest::mouseClick(wizard.findChild<QPushButton*>(QStringLiteral("Button8")), Qt::LeftButton);
    EXPECT_TRUE(hub.isVisible()) << "設定終わり brings the hub back";
}
