// The "文字送信" tab: keys in the script editor, the queue jump, loading and saving.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "console_fixture.h"

using namespace zul;
using namespace zul::test;

namespace {

class TextTab : public ConsoleTest {
protected:
    void setMode(int mode) const { window->SelEnterMode()->setCurrentIndex(mode); }
    void press(Qt::Key key) const { QTest::keyClick(memo(), key); }

    QStringList jumpEntries() const {
        QStringList entries;
        for (int i = 0; i < window->QueJump()->count(); ++i) {
            entries << window->QueJump()->itemText(i);
        }
        return entries;
    }
};

}  // namespace

TEST_F(TextTab, StartsWithTheHintLineAndTheLineBreakMode) {
    EXPECT_EQ(scriptLines(),
              QStringList{QStringLiteral("<<ここに文字を入力し、送信指示してください>>")});
    EXPECT_EQ(window->SelEnterMode()->currentIndex(), 0);
    EXPECT_EQ(window->SelEnterMode()->count(), 3);
    EXPECT_EQ(window->SelEnterMode()->itemText(1), QStringLiteral("Ｆ１送信"));
    EXPECT_EQ(window->QueJump()->count(), 0);
}

TEST_F(TextTab, F1SendsTheCaretLineBytesAsTheyStand) {
    const struct {
        QString line;
        QByteArray operand;
    } cases[] = {
        {QStringLiteral("開会します　どうぞ"), sj("開会します　どうぞ")},
        {QStringLiteral("<<ここに文字を入力し、送信指示してください>>"),
         sj("<<ここに文字を入力し、送信指示してください>>")},
        {QStringLiteral(" <--Que 1"), " <--Que 1"},
        {QString(), QByteArray()},
    };
    for (const auto& c : cases) {
        setScript({QStringLiteral("前の行"), c.line, QStringLiteral("次の行")});
        putCaret(1, c.line.size() / 2);
        connection.sent.clear();
        press(Qt::Key_F1);
        press(Qt::Key_F1);
        EXPECT_EQ(connection.sent, QByteArrayList({packet(36, c.operand), packet(36, c.operand)}))
            << c.line.toStdString();
        EXPECT_EQ(caretLine(), 1);
        EXPECT_EQ(caretColumn(), c.line.size() / 2);
    }
    EXPECT_TRUE(udp.sent.isEmpty());
}

TEST_F(TextTab, CharactersOutsideCodePage932AreSentAsQuestionMarksAndLogged) {
    setScript({QStringLiteral("caf\u00e9 \U0001F389")});
    const qsizetype logLines = log.lines().size();
    press(Qt::Key_F1);
    EXPECT_EQ(connection.sent, QByteArrayList({packet(36, "caf? ?")}));
    ASSERT_EQ(log.lines().size(), logLines + 1);
    const QByteArray noted = sj("シフトJISで表せない文字 2 個を「?」に置き換えて送信します。");
    EXPECT_EQ(log.lines().last(), noted);

    // The liaison memo is sent the same way and noted the same way.
    press(Qt::Key_F3);
    EXPECT_EQ(udp.sent,
              QByteArrayList({QByteArray("ZUL,3,\x1e") + sj("【opmachine】caf? ?") + '\n'}));
    ASSERT_EQ(log.lines().size(), logLines + 2);
    EXPECT_EQ(log.lines().last(), noted);
}

TEST_F(TextTab, F3SendsTheLiaisonMemoWithTheHostName) {
    setScript({QStringLiteral("今日は 晴れ")});
    press(Qt::Key_F3);
    EXPECT_EQ(udp.sent,
              QByteArrayList({QByteArray("ZUL,3,\x1e") + sj("【opmachine】今日は 晴れ") + '\n'}));
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(TextTab, CommentLinesAreNeverSentButSendingEnterStepsOverThem) {
    setScript({QStringLiteral("<--ここで拍手"), QStringLiteral("<--Que 1"), QStringLiteral("次")});
    press(Qt::Key_F1);
    press(Qt::Key_F3);
    EXPECT_TRUE(connection.sent.isEmpty());
    EXPECT_TRUE(udp.sent.isEmpty());

    setMode(1);
    press(Qt::Key_Return);
    EXPECT_EQ(caretLine(), 1);
    setMode(2);
    press(Qt::Key_Enter);
    EXPECT_EQ(caretLine(), 2);
    EXPECT_TRUE(connection.sent.isEmpty());
    EXPECT_TRUE(udp.sent.isEmpty());
    EXPECT_EQ(scriptLines().size(), 3);
}

TEST_F(TextTab, EnterInSendModeSendsAndStepsDownLineByLine) {
    setScript(
        {QStringLiteral("一行目"), QStringLiteral("<--ここで拍手"), QStringLiteral("三行目")});
    putCaret(0, 2);
    setMode(1);
    const int expectedLines[] = {1, 2, 2};  // the last line keeps the caret
    for (int expected : expectedLines) {
        press(Qt::Key_Return);
        EXPECT_EQ(caretLine(), expected);
    }
    EXPECT_EQ(connection.sent,
              QByteArrayList({packet(36, sj("一行目")), packet(36, sj("三行目"))}));
    EXPECT_EQ(scriptLines(), QStringList({QStringLiteral("一行目"), QStringLiteral("<--ここで拍手"),
                                          QStringLiteral("三行目")}));

    setMode(2);
    putCaret(0);
    press(Qt::Key_Return);
    EXPECT_EQ(caretLine(), 1);
    EXPECT_EQ(caretColumn(), 1);
    EXPECT_EQ(udp.sent, QByteArrayList({QByteArray("ZUL,3,\x1e") + sj("【opmachine】一行目\n")}));
}

TEST_F(TextTab, EnterInLineBreakModeAddsAnEmptyLineBelowWithoutSplitting) {
    setScript({QStringLiteral("一"), QStringLiteral("ABCDEF"), QStringLiteral("三")});
    putCaret(1, 3);
    press(Qt::Key_Return);
    EXPECT_EQ(scriptLines(), QStringList({QStringLiteral("一"), QStringLiteral("ABCDEF"), QString(),
                                          QStringLiteral("三")}));
    EXPECT_EQ(caretLine(), 2);
    EXPECT_EQ(caretColumn(), 0);
    EXPECT_TRUE(connection.sent.isEmpty());

    // The release of an Enter pressed elsewhere adds nothing.
    QTest::keyRelease(memo(), Qt::Key_Return);
    EXPECT_EQ(scriptLines().size(), 4);

    // Typing goes on in the new line; Enter on the last line adds a line after it.
    QTest::keyClicks(memo(), QStringLiteral("xy"));
    putCaret(3);
    press(Qt::Key_Return);
    EXPECT_EQ(scriptLines(), QStringList({QStringLiteral("一"), QStringLiteral("ABCDEF"),
                                          QStringLiteral("xy"), QStringLiteral("三"), QString()}));
    EXPECT_EQ(caretLine(), 4);
}

TEST_F(TextTab, QueueJumpListFollowsEveryChangeOfTheScript) {
    setScript({QStringLiteral("<--QUE 3"), QStringLiteral("本文"), QStringLiteral("<--que 4"),
               QStringLiteral(" <--Que 5"), QStringLiteral("<-- Ｑ６ 閉会"),
               QStringLiteral("<--メモ")});
    EXPECT_EQ(jumpEntries(),
              QStringList({QStringLiteral("00000:QUE 3"), QStringLiteral("00002:que 4"),
                           QStringLiteral("00004: Ｑ６ 閉会")}));
    EXPECT_EQ(window->QueJump()->currentIndex(), -1);

    // A line inserted above the markers renumbers them.
    putCaret(0);
    press(Qt::Key_Return);
    EXPECT_EQ(jumpEntries(),
              QStringList({QStringLiteral("00000:QUE 3"), QStringLiteral("00003:que 4"),
                           QStringLiteral("00005: Ｑ６ 閉会")}));

    // Typing a marker adds its entry.
    QTest::keyClicks(memo(), QStringLiteral("<--Que new"));
    EXPECT_EQ(jumpEntries().value(1), QStringLiteral("00001:Que new"));

    child<QPushButton>(QStringLiteral("Txt_clr"))->click();
    EXPECT_EQ(jumpEntries(), QStringList());
}

TEST_F(TextTab, ChoosingAnEntryShowsTheMarkerWithTheCaretThirteenLinesBelow) {
    showWindow();
    window->PageControl1()->setCurrentIndex(0);
    QStringList lines;
    for (int i = 0; i < 80; ++i) {
        lines << QStringLiteral("行%1").arg(i);
    }
    lines[30] = QStringLiteral("<--Que 中盤");
    lines[75] = QStringLiteral("<--Que 終盤");
    setScript(lines);
    ASSERT_EQ(window->QueJump()->count(), 2);

    const auto visible = [this](int line) {
        const QTextCursor at(memo()->document()->findBlockByNumber(line));
        return memo()->viewport()->rect().contains(memo()->cursorRect(at));
    };

    Q_EMIT window->QueJump()->activated(0);
    EXPECT_EQ(caretLine(), 43);
    EXPECT_EQ(caretColumn(), 1);
    EXPECT_TRUE(visible(30));
    EXPECT_TRUE(visible(43));

    // Back up again, then to a marker among the last thirteen lines.
    putCaret(0);
    memo()->ensureCursorVisible();
    Q_EMIT window->QueJump()->activated(1);
    EXPECT_EQ(caretLine(), 79);
    EXPECT_TRUE(visible(75));
    EXPECT_TRUE(connection.sent.isEmpty());

    // An editor too short for thirteen lines still shows the marker.
    memo()->resize(memo()->width(), memo()->fontMetrics().lineSpacing() * 5);
    putCaret(0);
    memo()->ensureCursorVisible();
    Q_EMIT window->QueJump()->activated(0);
    EXPECT_EQ(caretLine(), 43);
    EXPECT_TRUE(visible(30));
}

TEST_F(TextTab, SaveAndLoadAScriptInCodePage932) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    setScript({QStringLiteral("<--Que 1"), QStringLiteral("開会"), QString()});
    dialogs.files.enqueue(dir.filePath(QStringLiteral("script")));
    child<QPushButton>(QStringLiteral("Button2"))->click();
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("script.txt"))), sj("<--Que 1\r\n開会\r\n\r\n"));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    child<QPushButton>(QStringLiteral("Txt_clr"))->click();
    EXPECT_EQ(scriptLines(), QStringList{QString()});

    writeAll(dir.filePath(QStringLiteral("lf.txt")), sj("一行目\n<-- Ｑ 二\r\n三"));
    dialogs.files.enqueue(dir.filePath(QStringLiteral("lf.txt")));
    child<QPushButton>(QStringLiteral("Button1"))->click();
    EXPECT_EQ(dialogs.fileTitles.last(), QStringLiteral("テンプレート読み込み"));
    EXPECT_EQ(scriptLines(), QStringList({QStringLiteral("一行目"), QStringLiteral("<-- Ｑ 二"),
                                          QStringLiteral("三")}));
    EXPECT_EQ(window->QueJump()->itemText(0), QStringLiteral("00001: Ｑ 二"));

    // Cancelling the dialog keeps the script.
    child<QPushButton>(QStringLiteral("Button1"))->click();
    EXPECT_EQ(scriptLines().size(), 3);
}

TEST_F(TextTab, FailedLoadAndSaveAreReportedAndKeepTheScript) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    setScript({QStringLiteral("残る")});

    dialogs.files.enqueue(dir.filePath(QStringLiteral("missing.txt")));
    child<QPushButton>(QStringLiteral("Button1"))->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("読み込みできません。容量やアクセス権を確認してください。"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("保存失敗"));
    EXPECT_EQ(scriptLines(), QStringList{QStringLiteral("残る")});

    dialogs.files.enqueue(dir.filePath(QStringLiteral("no/such/folder/x.txt")));
    child<QPushButton>(QStringLiteral("Button2"))->click();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("保存できません。容量やアクセス権を確認してください。"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("保存失敗"));
}
