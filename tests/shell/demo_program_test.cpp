// The bundled demo folder as scripts/run.sh starts it: a display machine that loads the
// demo's startup files and its own operator console connected over loopback TCP. What a
// new user meets first must work at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <set>

#include "console/Zul2_cmain.h"
#include "display/Zul2_rdisp.h"
#include "display/part_table.h"
#include "display/viewers.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
#include "shell/Zul2_main.h"
#include "shell/display_listener.h"
#include "shell/operator_connection.h"
#include "shell/program.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::waitFor;

namespace {

class DemoProgram : public ::testing::Test {
protected:
    void SetUp() override {
        const QDir demo(QStringLiteral(ZUL_SOURCE_DIR "/demo"));
        for (const QString& name : demo.entryList(QDir::Files)) {
            ASSERT_TRUE(QFile::copy(demo.filePath(name), dir_.filePath(name)))
                << name.toStdString();
        }
        Program::Options o;
        o.startFolder = dir_.path();
        o.showWindows = false;
        program_ = std::make_unique<Program>(o);
        program_->setDialogs(&dialogs_);
        program_->start();  // the demo's startup.rd1 starts the display role
        ASSERT_TRUE(program_->listener().isOpen()) << "the demo did not start the display role";
        program_->hubForm().X2Click();  // as scripts/run.sh does with ZUL_START_OPERATOR=1
        ASSERT_TRUE(waitFor([this] { return program_->console().isVisible(); }, 10000));
    }

    TClientMain& console() { return program_->console(); }
    TMainDisp& display() { return program_->display(); }

    // Double-clicks a line of the console's file list, once the display machine listed it
    // and the list stands still (the console asks again when the display announces loads).
    void doubleClickFile(const QString& name) {
        QListWidget* list = console().FileList();
        int quietSince = 0;
        QElapsedTimer t;
        t.start();
        QStringList last;
        while (t.elapsed() < 10000) {
            QStringList now;
            for (int i = 0; i < list->count(); ++i) {
                now << list->item(i)->text();
            }
            if (now != last) {
                last = now;
                quietSince = static_cast<int>(t.elapsed());
            } else if (now.contains(name) && t.elapsed() - quietSince > 500) {
                break;
            }
            QTest::qWait(20);
        }
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString() << " is not in the file list";
        list->scrollToItem(found.first());
        QTest::qWait(20);  // the list lays its items out
        const QPoint at = list->visualItemRect(found.first()).center();
        // A person's double-click: press and release, then the second press and release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }

    QTemporaryDir dir_;
    test::RecordingDialogs dialogs_;
    std::unique_ptr<Program> program_;
};

}  // namespace

TEST_F(DemoProgram, FirstTypedLineStandsOnTheDisplayWithinASecond) {
    QPlainTextEdit* memo = console().Memo1();
    memo->setFocus();
    memo->setPlainText(QStringLiteral("はじめての字幕です"));
    memo->setTextCursor(QTextCursor(memo->document()->firstBlock()));
    QElapsedTimer t;
    t.start();
    QTest::keyClick(memo, Qt::Key_F1);
    ASSERT_TRUE(waitFor(
        [this] { return display().StrFlame()->ownText() == QStringLiteral("はじめての字幕です"); },
        3000))
        << "the caption shows \"" << display().StrFlame()->ownText().toStdString() << "\"";
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_FALSE(display().strScTimer().isActive());
    EXPECT_FALSE(display().strTimer().isActive());  // the caption list stops for the line
}

TEST_F(DemoProgram, ScrollingCaptionsAreOneDoubleClickAwayAndBack) {
    doubleClickFile(QStringLiteral("scroll_on.rd1"));
    ASSERT_TRUE(waitFor([this] { return display().strScTimer().isActive(); }));
    EXPECT_TRUE(program_->settings().ckStrScroll());
    EXPECT_FALSE(display().strTimer().isActive());

    doubleClickFile(QStringLiteral("scroll_off.rd1"));
    ASSERT_TRUE(waitFor([this] { return !display().strScTimer().isActive(); }));
    EXPECT_FALSE(program_->settings().ckStrScroll());
    EXPECT_TRUE(display().strTimer().isActive());  // the caption list steps on, standing
    // The look of the demo's caption is untouched by either file.
    EXPECT_EQ(program_->settings().SampleText.fontName(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(program_->settings().SampleText.fontSize(), 32);
}

TEST_F(DemoProgram, PartsGridListsEveryUnlockedDemoPartByItsWholeName) {
    const PartTable& parts = display().parts();
    ASSERT_GT(parts.PartCount(), 0) << "the demo loaded no parts";
    std::set<std::string> expected;
    for (int i = 0; i < parts.PartCount(); ++i) {
        if (!parts.locked(i)) {
            expected.insert(cp932::decode(parts.name(i)).toStdString());
        }
    }
    QTableWidget* grid = console().PartsList();
    ASSERT_TRUE(waitFor([&] { return grid->rowCount() > static_cast<int>(expected.size()); }));
    std::set<std::string> shown;
    for (int row = 1; row < grid->rowCount(); ++row) {
        shown.insert(grid->item(row, 0) != nullptr ? grid->item(row, 0)->text().toStdString()
                                                   : std::string());
    }
    EXPECT_EQ(shown, expected);

    // The worksheet part still shows its cell (column 1, row 1 of demo.csv).
    bool cellShown = false;
    for (int i = 0; i < parts.PartCount(); ++i) {
        if (cellReference(parts.name(i)) == std::pair{1, 1}) {
            ASSERT_TRUE(waitFor([&] {
                return cp932::decode(parts.label(i)->caption()) == QStringLiteral("開会式 10:00");
            })) << cp932::decode(parts.label(i)->caption()).toStdString();
            cellShown = true;
        }
    }
    EXPECT_TRUE(cellShown) << "no demo part shows worksheet cell 1, 1";
}

TEST_F(DemoProgram, ThePresentationStepsWithTheConsolesSlideShowButtons) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the presentation is not shown";
    }
    doubleClickFile(QStringLiteral("slideshow.odp"));
    PdfView* slides = display().OLEPanel();
    ASSERT_TRUE(waitFor([&] { return slides->isLoaded(); }, 60000))
        << "the demo's presentation was not shown";
    EXPECT_EQ(slides->pageCount(), 4);
    const auto press = [this, slides](const char* button, int page) {
        auto* b = console().findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_TRUE(waitFor([&] { return slides->currentPage() == page; }, 5000))
            << button << ": page " << slides->currentPage() + 1;
    };
    press("PptNext", 1);  // 次へ
    press("PptDown", 2);  // 後
    press("PptUp", 1);    // 前
    press("PptEsc", 0);   // 表示中止
    press("PptNext", 1);
    press("Pptrun", 0);  // 開始
}
