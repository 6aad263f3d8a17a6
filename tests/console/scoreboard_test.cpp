// The score boards: their rules as tables, and the windows driven by key presses and mouse
// clicks as an operator drives them.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

#include "console/Zul_pt2.h"
#include "console/Zul_py.h"
#include "console/online_status.h"
#include "console/scoreboard.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "recording_dialogs.h"
#include "test_support.h"
#include "typing.h"

using namespace zul;
using test::sj;

namespace {

// CmdPartUpdate with an operand in code page 932.
QByteArray update(const char* utf8Operand) {
    return QByteArray(1, '\x2c') + sj(utf8Operand) + '\n';
}

}  // namespace

TEST(ScoreRules, PointsAreHeldBetweenZeroAndThreeHundred) {
    const struct {
        int score;
        int points;
        int result;
    } cases[] = {
        {0, 1, 1},     {10, 3, 13}, {298, 2, 300},  {299, 3, 300},
        {300, 1, 300}, {-5, 2, 2},  {1000, 1, 300}, {5, -20, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(addPoints(c.score, c.points), c.result) << c.score << " + " << c.points;
    }
}

TEST(ScoreRules, PacketsNameTheCourtsPartsAndLeaveTheColoursEmpty) {
    EXPECT_EQ(scorePacket(BoardField::FirstScore, 3, 12), update("先攻得点3,12,,"));
    EXPECT_EQ(scorePacket(BoardField::SecondScore, 1, 300), update("後攻得点1,300,,"));
    EXPECT_EQ(namePacket(BoardField::FirstName, 2, sj("東京")), update("先攻チーム名2,東京,,"));
    EXPECT_EQ(namePacket(BoardField::SecondName, 4, {}), update("後攻チーム名4,,,"));
    EXPECT_EQ(namePacket(BoardField::CourtName, 1, sj("第一")), update("コート名1,第一,,"));
    EXPECT_EQ(baseballNamePacket(true, sj("巨人")), update("先攻チーム名,巨人,,"));
    EXPECT_EQ(baseballNamePacket(false, "B"), update("後攻チーム名,B,,"));

    const struct {
        int index;
        int court;
    } courts[] = {{0, 1}, {2, 3}, {3, 4}, {-1, 1}, {7, 4}};
    for (const auto& c : courts) {
        EXPECT_EQ(courtNumber(c.index), c.court) << c.index;
    }
}

TEST(ScoreRules, ASwapAssignsSecondScoreFirstScoreFirstNameSecondName) {
    using F = BoardField;
    const QString a = QStringLiteral("A");
    const QString b = QStringLiteral("B");
    const struct {
        const char* name;
        BoardSides sides;
        std::vector<BoardAssignment> assignments;
    } cases[] = {
        {"all differ",
         {3, 7, a, b},
         {{F::SecondScore, 3, {}},
          {F::FirstScore, 7, {}},
          {F::FirstName, 0, b},
          {F::SecondName, 0, a}}},
        {"equal scores", {5, 5, a, b}, {{F::FirstName, 0, b}, {F::SecondName, 0, a}}},
        {"equal names", {1, 0, a, a}, {{F::SecondScore, 1, {}}, {F::FirstScore, 0, {}}}},
        {"all equal", {4, 4, a, a}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(swapAssignments(c.sides), c.assignments) << c.name;
    }
}

namespace {

class Boards : public ::testing::Test {
protected:
    OperatorChannel channel() {
        return {&connection, [this] { return open; }};
    }

    template <typename T>
    T* child(QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void click(QWidget& window, const char* name) {
        QTest::mouseClick(child<QPushButton>(window, name), Qt::LeftButton);
    }

    // Selects the box's whole text, then types `text` key by key.
    static void retype(QWidget* box, const QString& text) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Backspace);
        }
        test::typeText(box, text);
    }

    static QColor statusColour(QWidget& window) {
        auto* bar = window.findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
        return bar->grab().toImage().pixelColor(bar->width() - 3, bar->height() / 2);
    }
    static QString statusText(QWidget& window) {
        return window.findChild<OnlineStatusBar*>(QStringLiteral("StatusBar1"))->text();
    }

    bool open = true;
    DebugLog log;
    test::RecordingDialogs dialogs;
    test::RecordingConnection connection;
};

class Basketball : public Boards {
protected:
    void SetUp() override { board.show(); }
    Tzul_pb_main board{channel(), dialogs, log};
};

}  // namespace

TEST_F(Basketball, StartsOnlineWithItsTextsAndSendsNothingUntilAChange) {
    EXPECT_EQ(board.windowTitle(), QStringLiteral("バスケット得点板操作"));
    EXPECT_TRUE(board.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(child<QComboBox>(board, "ID")->currentText(), QStringLiteral("コートNo1"));
    EXPECT_EQ(child<QComboBox>(board, "ID")->count(), 4);
    EXPECT_EQ(child<QLineEdit>(board, "Edit3")->text(), QStringLiteral("コート名"));
    EXPECT_EQ(child<QLineEdit>(board, "Edit1")->text(), QStringLiteral("先攻"));
    EXPECT_EQ(child<QLineEdit>(board, "Edit2")->text(), QStringLiteral("後攻"));
    EXPECT_EQ(child<QSpinBox>(board, "CSpinEdit1")->maximum(), 300);
    EXPECT_TRUE(board.online());
    EXPECT_EQ(statusText(board), QStringLiteral("オンライン(変更はすぐに反映されます)"));
    EXPECT_EQ(statusColour(board), QColor(192, 192, 192));
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(Basketball, ScoresTypedOnCourtThreeAreSentKeystrokeByKeystroke) {
    auto* court = child<QComboBox>(board, "ID");
    QTest::keyClick(court, Qt::Key_Down);
    QTest::keyClick(court, Qt::Key_Down);
    ASSERT_EQ(court->currentText(), QStringLiteral("コートNo3"));
    EXPECT_TRUE(connection.sent.isEmpty()) << "the court alone sends nothing";

    retype(child<QSpinBox>(board, "CSpinEdit1"), QStringLiteral("12"));
    EXPECT_EQ(connection.sent, QByteArrayList({update("先攻得点3,1,,"), update("先攻得点3,12,,")}));

    connection.sent.clear();
    QTest::keyClick(child<QSpinBox>(board, "CSpinEdit2"), Qt::Key_Up);
    EXPECT_EQ(connection.sent, QByteArrayList({update("後攻得点3,1,,")}));
}

TEST_F(Basketball, ATeamNameTypedCharacterByCharacterSendsTheWholeTextEachTime) {
    retype(child<QLineEdit>(board, "Edit1"), QString());
    test::typeText(child<QLineEdit>(board, "Edit1"), QStringLiteral("東京"));
    EXPECT_EQ(connection.sent,
              QByteArrayList({update("先攻チーム名1,,,"), update("先攻チーム名1,東,,"),
                              update("先攻チーム名1,東京,,")}));

    connection.sent.clear();
    retype(child<QLineEdit>(board, "Edit3"), QStringLiteral("A"));
    retype(child<QLineEdit>(board, "Edit2"), QStringLiteral("\u00e9"));
    EXPECT_EQ(connection.sent,
              QByteArrayList({update("コート名1,A,,"), update("後攻チーム名1,?,,")}));
    EXPECT_EQ(log.lines().last(),
              sj("シフトJISで表せない文字 1 個を「?」に置き換えて送信します。"));
}

TEST_F(Basketball, PointButtonsAddAndHoldTheScoreAtThreeHundred) {
    click(board, "Button2");
    click(board, "Button3");
    click(board, "Button4");
    EXPECT_EQ(connection.sent, QByteArrayList({update("先攻得点1,2,,"), update("先攻得点1,5,,"),
                                               update("後攻得点1,1,,")}));

    child<QSpinBox>(board, "CSpinEdit1")->setValue(299);
    connection.sent.clear();
    click(board, "Button3");
    click(board, "Button1");
    EXPECT_EQ(child<QSpinBox>(board, "CSpinEdit1")->value(), 300);
    EXPECT_EQ(connection.sent, QByteArrayList({update("先攻得点1,300,,")}));
}

TEST_F(Basketball, ASwapSendsOnlyWhatChangesInItsOrder) {
    click(board, "Button10");
    EXPECT_EQ(connection.sent,
              QByteArrayList({update("先攻チーム名1,後攻,,"), update("後攻チーム名1,先攻,,")}))
        << "equal scores: only the names";

    child<QSpinBox>(board, "CSpinEdit1")->setValue(21);
    child<QSpinBox>(board, "CSpinEdit2")->setValue(18);
    connection.sent.clear();
    click(board, "Button10");
    EXPECT_EQ(connection.sent,
              QByteArrayList({update("後攻得点1,21,,"), update("先攻得点1,18,,"),
                              update("先攻チーム名1,先攻,,"), update("後攻チーム名1,後攻,,")}));
    EXPECT_EQ(child<QSpinBox>(board, "CSpinEdit1")->value(), 18);
    EXPECT_EQ(child<QLineEdit>(board, "Edit2")->text(), QStringLiteral("後攻"));

    // Equal scores and equal names: nothing to send.
    child<QSpinBox>(board, "CSpinEdit2")->setValue(18);
    child<QLineEdit>(board, "Edit2")->setText(QStringLiteral("先攻"));
    connection.sent.clear();
    click(board, "Button10");
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(Basketball, OfflineChangesSendNothingAndSendAllAsksToGoOnlineFirst) {
    click(board, "Button8");
    EXPECT_FALSE(board.online());
    EXPECT_EQ(statusText(board), QStringLiteral("オフライン(変更は反映されません)"));
    EXPECT_EQ(statusColour(board), QColor(255, 0, 0));

    click(board, "Button2");
    QTest::keyClicks(child<QLineEdit>(board, "Edit1"), QStringLiteral("X"));
    click(board, "Button10");
    EXPECT_EQ(child<QSpinBox>(board, "CSpinEdit1")->value(), 0) << "swapped back";
    EXPECT_EQ(child<QSpinBox>(board, "CSpinEdit2")->value(), 2);
    click(board, "Button9");
    EXPECT_TRUE(connection.sent.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("オンラインにしてから送信してください。"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("通信できません"));

    // Going online sends nothing; "一括送信" brings the display up to date.
    click(board, "Button8");
    EXPECT_TRUE(connection.sent.isEmpty());
    EXPECT_EQ(statusColour(board), QColor(192, 192, 192));
    QTest::keyClick(child<QComboBox>(board, "ID"), Qt::Key_Down);
    click(board, "Button9");
    EXPECT_EQ(connection.sent,
              QByteArrayList({update("先攻得点2,0,,"), update("後攻得点2,2,,"),
                              update("先攻チーム名2,後攻,,"), update("後攻チーム名2,先攻X,,"),
                              update("コート名2,コート名,,")}));
}

TEST_F(Basketball, ClosingOnlyHidesAndAClosedConnectionTakesNothing) {
    click(board, "Button3");
    click(board, "Button7");
    EXPECT_FALSE(board.isVisible());
    board.show();
    EXPECT_EQ(child<QSpinBox>(board, "CSpinEdit1")->value(), 3);

    open = false;
    connection.sent.clear();
    click(board, "Button1");
    click(board, "Button9");
    EXPECT_TRUE(connection.sent.isEmpty());
    EXPECT_EQ(child<QSpinBox>(board, "CSpinEdit1")->value(), 4);
}

TEST_F(Boards, TheBaseballSampleSendsTheTeamNamesOnlyBySendAll) {
    Tzul_py_main board(channel(), dialogs, log);
    board.show();
    EXPECT_EQ(board.windowTitle(), QStringLiteral("野球得点板"));
    auto* table = child<QTableWidget>(board, "PointList");
    EXPECT_EQ(table->columnCount(), 13);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnWidth(0), 40);
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);

    retype(child<QLineEdit>(board, "Edit1"), QStringLiteral("巨人"));
    for (const char* placeholder : {"Button1", "Button2", "Button3"}) {
        click(board, placeholder);
    }
    EXPECT_TRUE(connection.sent.isEmpty());

    click(board, "Button9");
    EXPECT_EQ(connection.sent,
              QByteArrayList({update("先攻チーム名,巨人,,"), update("後攻チーム名,後攻,,")}));

    connection.sent.clear();
    click(board, "Button8");
    EXPECT_EQ(statusText(board), QStringLiteral("オフライン(変更は反映されません)"));
    click(board, "Button9");
    EXPECT_TRUE(connection.sent.isEmpty());
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("オンラインにしてから送信してください。"));
    click(board, "Button7");
    EXPECT_FALSE(board.isVisible());
}
