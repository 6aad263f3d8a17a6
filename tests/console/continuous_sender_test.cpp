// The continuous change sender, driven by key presses as an operator drives it: F2 sends the
// caret's line to the chosen part and steps down, over comment lines too.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "console/Zul2_rsend.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "recording_dialogs.h"
#include "test_support.h"
#include "typing.h"

using namespace zul;
using test::sj;

namespace {

QByteArray update(const char* utf8Operand) {
    return QByteArray(1, '\x2c') + sj(utf8Operand) + '\n';
}

class ContinuousSender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        window.show();
    }

    void setLines(const QStringList& lines) { window.Memo1()->setPlainText(lines.join('\n')); }
    QStringList lines() const {
        QStringList out;
        for (QTextBlock b = window.Memo1()->document()->firstBlock(); b.isValid(); b = b.next()) {
            out << b.text();
        }
        return out;
    }
    void caretTo(int line) {
        window.Memo1()->setTextCursor(
            QTextCursor(window.Memo1()->document()->findBlockByNumber(line)));
    }
    int caretLine() const { return window.Memo1()->textCursor().blockNumber(); }
    void f2() { QTest::keyClick(window.Memo1(), Qt::Key_F2); }
    void click(const char* name) {
        QTest::mouseClick(window.findChild<QPushButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    }
    void typeName(const QString& name) {
        QLineEdit* edit = window.ComboBox1()->lineEdit();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        test::typeText(edit, name);
    }

    QTemporaryDir dir;
    DebugLog log;
    test::RecordingDialogs dialogs;
    test::RecordingConnection connection;
    Tzul_rsend window{OperatorChannel{&connection, {}}, dialogs, log};
};

}  // namespace

TEST_F(ContinuousSender, StartsEmptyWithItsTexts) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("変更を連続送信"));
    EXPECT_EQ(lines(), QStringList{QString()});
    EXPECT_TRUE(window.ComboBox1()->isEditable());
    EXPECT_EQ(window.ComboBox1()->currentText(), QString());
    QStringList labels;
    for (const QLabel* l : window.findChildren<QLabel*>()) {
        labels << l->text();
    }
    EXPECT_TRUE(labels.contains(QStringLiteral("★データ送信はＦ２キーでおこないます。")));
    EXPECT_TRUE(labels.contains(QStringLiteral("キュージャンプ")));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
}

TEST_F(ContinuousSender, F2SendsLineAfterLineAndStepsOverComments) {
    setLines({QStringLiteral("一人目"), QStringLiteral("<--ここで交代"), QStringLiteral("二人目"),
              QStringLiteral("<--Que 2 後半"), QString(), QStringLiteral("三人目")});
    window.setPartNames({sj("氏名"), sj("所属")}, false);
    caretTo(0);
    const int caretAfter[] = {1, 2, 3, 4, 5, 5};
    for (const int expected : caretAfter) {
        f2();
        EXPECT_EQ(caretLine(), expected);
        EXPECT_EQ(window.Memo1()->textCursor().positionInBlock(),
                  window.Memo1()->textCursor().block().length() > 1 ? 1 : 0);
    }
    EXPECT_EQ(connection.sent, QByteArrayList({update("氏名,一人目,,"), update("氏名,二人目,,"),
                                               update("氏名,,,"), update("氏名,三人目,,")}));
    EXPECT_EQ(window.QueJump()->count(), 1);
    EXPECT_EQ(window.QueJump()->itemText(0), QStringLiteral("00003:Que 2 後半"));
    EXPECT_EQ(lines().size(), 6) << "F2 edits nothing";
}

TEST_F(ContinuousSender, AnotherNameBetweenTwoPressesSendsTheNextValueToThatPart) {
    setLines({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    window.setPartNames({sj("氏名"), sj("所属")}, false);
    caretTo(0);
    f2();
    window.ComboBox1()->setCurrentIndex(1);
    f2();
    typeName(QStringLiteral("手入力"));
    f2();
    EXPECT_EQ(connection.sent,
              QByteArrayList({update("氏名,A,,"), update("所属,B,,"), update("手入力,C,,")}));
}

TEST_F(ContinuousSender, EnterEditsTheListAndOnlyF2Sends) {
    setLines({QStringLiteral("一")});
    caretTo(0);
    window.Memo1()->moveCursor(QTextCursor::EndOfBlock);
    QTest::keyClick(window.Memo1(), Qt::Key_Return);
    test::typeText(window.Memo1(), QStringLiteral("二"));
    QTest::keyClick(window.Memo1(), Qt::Key_F1);
    QTest::keyClick(window.Memo1(), Qt::Key_F3);
    EXPECT_EQ(lines(), QStringList({QStringLiteral("一"), QStringLiteral("二")}));
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(ContinuousSender, TheGridsNamesFillTheBoxAndARefreshKeepsTheChosenName) {
    window.hide();
    window.setPartNames({sj("得点1"), sj("得点2")}, false);
    EXPECT_FALSE(window.isVisible()) << "a refresh does not open the window";
    EXPECT_EQ(window.ComboBox1()->count(), 2);
    EXPECT_EQ(window.ComboBox1()->currentText(), QStringLiteral("得点1"));

    // The operator feeds 得点2; a parts list answer meanwhile does not redirect the values.
    window.ComboBox1()->setCurrentIndex(1);
    window.setPartNames({sj("得点1"), sj("得点2"), sj("得点3")}, false);
    EXPECT_EQ(window.ComboBox1()->count(), 3);
    EXPECT_EQ(window.ComboBox1()->currentText(), QStringLiteral("得点2"));

    // The grid's menu item takes the first name and opens the window.
    window.setPartNames({sj("名前"), sj("得点1")}, true);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.ComboBox1()->currentText(), QStringLiteral("名前"));

    // An empty grid empties the list and keeps what is in the box.
    window.setPartNames({}, true);
    EXPECT_EQ(window.ComboBox1()->count(), 0);
    EXPECT_EQ(window.ComboBox1()->currentText(), QStringLiteral("名前"));
}

TEST_F(ContinuousSender, LoadSaveAndClearAsTheCaptionScriptDoes) {
    setLines({QStringLiteral("<--Que 1"), QStringLiteral("一位 山田")});
    dialogs.files.enqueue(dir.filePath(QStringLiteral("order")));
    click("Button2");
    EXPECT_EQ(test::readAll(dir.filePath(QStringLiteral("order.txt"))),
              sj("<--Que 1\r\n一位 山田\r\n"));

    click("Button3");
    EXPECT_EQ(lines(), QStringList{QString()});
    EXPECT_EQ(window.QueJump()->count(), 0);

    dialogs.files.enqueue(dir.filePath(QStringLiteral("order.txt")));
    click("Button1");
    EXPECT_EQ(dialogs.fileTitles.last(), QStringLiteral("テンプレート読み込み"));
    EXPECT_EQ(lines(), QStringList({QStringLiteral("<--Que 1"), QStringLiteral("一位 山田")}));
    EXPECT_EQ(window.QueJump()->itemText(0), QStringLiteral("00000:Que 1"));

    dialogs.files.enqueue(dir.filePath(QStringLiteral("missing.txt")));
    click("Button1");
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("読み込みできません。容量やアクセス権を確認してください。"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("保存失敗"));
    EXPECT_EQ(lines().size(), 2);

    dialogs.files.enqueue(dir.filePath(QStringLiteral("no/such/folder/x.txt")));
    click("Button2");
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("保存できません。容量やアクセス権を確認してください。"));
}

TEST_F(ContinuousSender, AQueueJumpPutsTheCaretThirteenLinesBelowTheMarker) {
    QStringList list;
    for (int i = 0; i < 40; ++i) {
        list << QStringLiteral("値%1").arg(i);
    }
    list[20] = QStringLiteral("<-- Ｑ 後半");
    setLines(list);
    Q_EMIT window.QueJump()->activated(0);
    EXPECT_EQ(caretLine(), 33);
    window.setPartNames({"n"}, false);
    f2();
    EXPECT_EQ(connection.sent, QByteArrayList({update("n,値33,,")}));
}
