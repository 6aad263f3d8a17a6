// The operator console of a program that is display machine and operator machine at once
// ("直接、操作する"), driven with real key events; the display side is the same program's
// display window, reached over a loopback TCP connection.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "console/Zul2_cmain.h"
#include "display/Zul2_rdisp.h"
#include "model/line_list.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
#include "shell/Zul2_main.h"
#include "shell/operator_connection.h"
#include "shell/program.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::freeTcpPort;
using zul::test::waitFor;

namespace {

class DirectOperation : public ::testing::Test {
protected:
    void SetUp() override {
        const quint16 port = freeTcpPort();
        Program::Options o;
        o.startFolder = dir_.path();
        o.showWindows = false;
        program_ = std::make_unique<Program>(o);
        program_->setDialogs(&dialogs_);
        program_->settings().Port.set(port);
        program_->settings().ClientPort.set(port);
        program_->hubForm().Button4Click();
        program_->hubForm().X2Click();
        ASSERT_TRUE(waitFor([this] { return program_->connection().isEstablished(); }));
        ASSERT_TRUE(waitFor([this] { return program_->console().isVisible(); }));
        // Keys go to the active window. Until the console's activation has arrived the
        // display window is still the active one, and its window-wide F1 (the frame toggle)
        // would take the key: an operator cannot type into a window before it is active
        // either.
        ASSERT_TRUE(QTest::qWaitForWindowActive(&program_->console()));
        memo()->setFocus();
    }

    QPlainTextEdit* memo() { return program_->console().Memo1(); }
    QString caption() { return program_->display().StrFlame()->ownText(); }

    void putCaret(int line) {
        QTextCursor c(memo()->document()->findBlockByNumber(line));
        memo()->setTextCursor(c);
    }

    QTemporaryDir dir_;
    test::RecordingDialogs dialogs_;
    std::unique_ptr<Program> program_;
};

}  // namespace

TEST_F(DirectOperation, F1SendsTheCaretLineToTheDisplay) {
    memo()->setPlainText(QStringLiteral("<--ここで拍手\n開会式を始めます\n次の演目"));
    putCaret(1);
    QTest::keyClick(memo(), Qt::Key_F1);
    ASSERT_TRUE(waitFor([this] { return caption() == QStringLiteral("開会式を始めます"); }));

    putCaret(0);  // a comment line is never sent
    QTest::keyClick(memo(), Qt::Key_F1);
    QTest::qWait(200);
    EXPECT_EQ(caption(), QStringLiteral("開会式を始めます"));
}

TEST_F(DirectOperation, EnterInF1ModeSendsAndStepsOverComments) {
    program_->console().SelEnterMode()->setCurrentIndex(1);
    memo()->setPlainText(QStringLiteral("一行目\n<--メモ\n三行目"));
    putCaret(0);
    QTest::keyClick(memo(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([this] { return caption() == QStringLiteral("一行目"); }));
    EXPECT_EQ(memo()->textCursor().blockNumber(), 1);
    QTest::keyClick(memo(), Qt::Key_Return);  // the comment: nothing sent, one line down
    EXPECT_EQ(memo()->textCursor().blockNumber(), 2);
    QTest::keyClick(memo(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([this] { return caption() == QStringLiteral("三行目"); }));
    EXPECT_EQ(memo()->document()->blockCount(), 3);  // nothing inserted
}

TEST_F(DirectOperation, EnterInLineBreakModeAddsALineAndSendsNothing) {
    memo()->setPlainText(QStringLiteral("上\n下"));
    putCaret(0);
    const QString before = caption();
    QTest::keyClick(memo(), Qt::Key_Return);
    EXPECT_EQ(memo()->toPlainText(), QStringLiteral("上\n\n下"));
    EXPECT_EQ(memo()->textCursor().blockNumber(), 1);
    QTest::qWait(200);
    EXPECT_EQ(caption(), before);
}

TEST_F(DirectOperation, QueueJumpFollowsTheMarkers) {
    QStringList lines;
    for (int i = 0; i < 40; ++i) {
        lines << QStringLiteral("line %1").arg(i);
    }
    lines[5] = QStringLiteral("<--Que 1 開会");
    lines[20] = QStringLiteral("<--que 2 表彰");
    memo()->setPlainText(lines.join(QLatin1Char('\n')));
    QComboBox* jump = program_->console().QueJump();
    ASSERT_EQ(jump->count(), 2);
    EXPECT_EQ(jump->itemText(1), QStringLiteral("00020:que 2 表彰"));
    jump->setCurrentIndex(1);
    Q_EMIT jump->activated(1);
    EXPECT_EQ(memo()->textCursor().blockNumber(), 33);
}

TEST_F(DirectOperation, F3LiaisonMemoComesBackToEveryConsole) {
    memo()->setPlainText(QStringLiteral("今日は 晴れ"));
    putCaret(0);
    QTest::keyClick(memo(), Qt::Key_F3);
    // Sent by UDP to the broadcast address; this machine hears its own broadcast and
    // shows the memo, cut at the ASCII space, in its console's memo area.
    QPlainTextEdit* chat = program_->console().MemoChat();
    ASSERT_TRUE(waitFor([chat] { return chat->toPlainText().contains(QStringLiteral("今日は")); }))
        << chat->toPlainText().toStdString();
    EXPECT_FALSE(chat->toPlainText().contains(QStringLiteral("晴れ")));
    EXPECT_TRUE(chat->toPlainText().contains(QStringLiteral("】今日は")));
}
