// The "部品の文字" tab: the grid filled by answers, sending it, colours and value files.

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>

#include "console_fixture.h"
#include "content/parts_files.h"
#include "waiting_and_ports.h"

using namespace zul;
using namespace zul::test;

namespace {

class PartsTab : public ConsoleTest {
protected:
    QTableWidget* grid() const { return window->PartsList(); }

    QStringList row(int r) const {
        QStringList cells;
        for (int c = 0; c < 4; ++c) {
            const QTableWidgetItem* item = grid()->item(r, c);
            cells << (item == nullptr ? QString() : item->text());
        }
        return cells;
    }

    void click(const char* name) const { child<QPushButton>(QString::fromLatin1(name))->click(); }
};

const QStringList kTitles{QStringLiteral("部品名"), QStringLiteral("値"), QStringLiteral("文字色"),
                          QStringLiteral("背景色")};

}  // namespace

TEST_F(PartsTab, AnswersFillRowsByExactNameUnderATitleRow) {
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(grid()->columnCount(), 4);
    QSignalSpy names(window.get(), &TClientMain::continuousSenderNames);

    window->partsInfo("Score", sj("得点"), "255", "0");
    window->partsInfo("score", "lower", "1", "2");
    window->partsInfo("Score", sj("新得点"), "", "65535");

    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(row(0), kTitles);
    EXPECT_EQ(row(1), QStringList({"Score", QStringLiteral("新得点"), "", "65535"}));
    EXPECT_EQ(row(2), QStringList({"score", "lower", "1", "2"}));
    // The title row is a heading, not a cell row.
    EXPECT_FALSE(grid()->item(0, 0)->flags().testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(grid()->item(1, 1)->flags().testFlag(Qt::ItemIsEditable));

    ASSERT_EQ(names.count(), 3);
    EXPECT_EQ(names.last().at(0).value<QByteArrayList>(), QByteArrayList({"Score", "score"}));
    EXPECT_FALSE(names.last().at(1).toBool());
}

TEST_F(PartsTab, ListRequestAndDiscardShrinkTheGridToItsFirstRow) {
    window->partsInfo("a", "1", "0", "0");
    connection.sent.clear();
    window->Button4Click();
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(row(0), kTitles);  // the texts stay, as an ordinary row
    EXPECT_TRUE(grid()->item(0, 0)->flags().testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(connection.sent, QByteArrayList({packet(45)}));

    window->partsInfo("a", "1", "0", "0");
    connection.sent.clear();
    click("Button6");
    click("HideParts");
    click("ShowParts");
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(connection.sent, QByteArrayList({packet(48), packet(77), packet(78)}));
}

// Every parts-changed notice asks for the list again. A burst of them while a request is
// being answered gives one more request, after the answer; none comes without a notice.
TEST_F(PartsTab, ABurstOfRefreshesWhileAnsweringAsksOnceMore) {
    const QByteArrayList one{packet(45)};
    const auto answer = [this] {
        for (int i = 0; i < 400; ++i) {
            window->partsInfo("p" + QByteArray::number(i), "v", "0", "0");
        }
    };
    struct Case {
        const char* name;
        bool answered;  // the display machine answers the first request
    };
    for (const Case& c : {Case{"answered", true}, Case{"no answer", false}}) {
        SCOPED_TRACE(c.name);
        SetUp();
        window->refreshPartsList();
        EXPECT_EQ(connection.sent, one);
        connection.sent.clear();
        for (int i = 0; i < 1000; ++i) {
            window->refreshPartsList();
            if (c.answered && i == 10) {
                answer();
            }
        }
        EXPECT_TRUE(connection.sent.isEmpty());
        EXPECT_TRUE(waitFor([&] { return connection.sent == one; }, 3000));
        EXPECT_EQ(grid()->rowCount(), 1) << "the grid waits for the new answer";
        answer();
        QTest::qWait(1500);
        EXPECT_EQ(connection.sent, one) << "nothing asked for meanwhile";
        EXPECT_EQ(grid()->rowCount(), 401);
        connection.sent.clear();
    }

    // Without a request being answered, a refresh asks at once; a click always does.
    window->refreshPartsList();
    window->Button4Click();
    EXPECT_EQ(connection.sent, (QByteArrayList{packet(45), packet(45)}));
}

TEST_F(PartsTab, SendingWritesEveryRowAndFillsEmptyValuesWithASpace) {
    click("Button3");
    EXPECT_TRUE(connection.sent.isEmpty());

    window->partsInfo("title", "", "255", "");
    window->partsInfo(sj("時刻"), sj("12時"), "0", "16777215");
    grid()->item(2, 1)->setText(QStringLiteral("13時"));
    connection.sent.clear();
    click("Button3");
    EXPECT_EQ(connection.sent,
              QByteArrayList({packet(44, "title, ,255,"), packet(44, sj("時刻,13時,0,16777215"))}));
    EXPECT_EQ(grid()->item(1, 1)->text(), QStringLiteral(" "));
}

TEST_F(PartsTab, ColourButtonsWriteTheDialogColourKeptAcrossUses) {
    window->partsInfo("a", "1", "", "");
    grid()->setCurrentCell(1, 0);

    click("Button13");  // cancelled at the first use: black
    EXPECT_EQ(grid()->item(1, 2)->text(), QStringLiteral("0"));
    dialogs.colours.enqueue(QColor(255, 0, 0));
    click("Button14");
    EXPECT_EQ(grid()->item(1, 3)->text(), QStringLiteral("255"));
    click("Button13");  // cancelled: the colour chosen last
    EXPECT_EQ(grid()->item(1, 2)->text(), QStringLiteral("255"));
    dialogs.colours.enqueue(QColor(0x12, 0x34, 0x56));
    click("Button13");
    EXPECT_EQ(grid()->item(1, 2)->text(), QString::number(0x563412));
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(PartsTab, ValueFilesSaveAndOpenTheRowsBelowTheTitles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    window->partsInfo("Score", sj("得点"), "255", "0");
    window->partsInfo("Name", "", "", "");

    dialogs.files.enqueue(dir.filePath(QStringLiteral("values")));
    click("Button12");
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("保存しました"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("保存"));
    const std::vector<QByteArrayList> saved =
        readPartValuesForConsole(dir.filePath(QStringLiteral("values.rv1")));
    EXPECT_EQ(saved, (std::vector<QByteArrayList>{{"Score", sj("得点"), "255", "0"},
                                                  {"Name", "", "", ""}}));

    window->Button4Click();
    dialogs.files.enqueue(dir.filePath(QStringLiteral("values.rv1")));
    connection.sent.clear();
    click("Button11");
    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(row(0), kTitles);
    EXPECT_EQ(row(1), QStringList({"Score", QStringLiteral("得点"), "255", "0"}));
    EXPECT_TRUE(connection.sent.isEmpty());

    dialogs.files.enqueue(dir.filePath(QStringLiteral("no/such/folder/v.rv1")));
    click("Button12");
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("保存失敗です。"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("保存"));
}

TEST_F(PartsTab, ContextMenuOpensTheContinuousSenderWithTheNames) {
    window->partsInfo("first", "1", "", "");
    window->partsInfo("second", "2", "", "");
    QSignalSpy names(window.get(), &TClientMain::continuousSenderNames);
    QAction* r1 = window->findChild<QAction*>(QStringLiteral("r1"));
    ASSERT_NE(r1, nullptr);
    EXPECT_EQ(r1->text(), QStringLiteral("連続送信をする(&r)"));
    r1->trigger();
    ASSERT_EQ(names.count(), 1);
    EXPECT_EQ(names.at(0).at(0).value<QByteArrayList>(), QByteArrayList({"first", "second"}));
    EXPECT_TRUE(names.at(0).at(1).toBool());
}
