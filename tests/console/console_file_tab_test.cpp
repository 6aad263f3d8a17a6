// The "ファイル指示" tab: the file list request, the instruction buttons and the fade.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include "console/file_instructions.h"
#include "console_fixture.h"

using namespace zul;
using namespace zul::test;

namespace {

class FileTab : public ConsoleTest {
protected:
    void fillList(const QByteArrayList& names) const {
        for (const QByteArray& name : names) {
            window->addFileListItem(name);
        }
    }

    // Selects the line as a click on it does.
    void select(int row) const {
        QListWidget* list = window->FileList();
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QPushButton* instruction(FileInstruction id) const {
        return child<QPushButton>(QString::fromLatin1(fileInstruction(id).name));
    }

    QStringList enabledButtons() const {
        QStringList names;
        for (const FileInstructionInfo& info : fileInstructions()) {
            if (instruction(info.id)->isEnabled()) {
                names << QString::fromLatin1(info.name);
            }
        }
        return names;
    }
};

}  // namespace

TEST_F(FileTab, ShownButtonsAndStartingState) {
    const struct {
        const char* name;
        const char* caption;
        bool shown;
        bool enabled;
    } buttons[] = {
        {"sel_bg1", "背景として指示", true, false},
        {"sel_txa", "文字自動更新", true, false},
        {"sel_bga", "背景自動更新", true, false},
        {"sel_rp1", "部品表送信", true, false},
        {"sel_rp1h", "部品裏送信", true, false},
        {"sel_bk", "画像読み込み", true, true},
        {"sel_rd1", "設定ファイル送信", false, false},
        {"sel_rf1", "ﾌｧｲﾙｾｯﾄ送信", false, false},
        {"sel_rv1", "部品値　送信", false, false},
        {"sel_csv", "ワークシート送信", false, false},
        {"sel_dp9", "IPtalk設定転送", false, true},
        {"Button5", "ファイルリスト更新", true, true},
        {"Button10", "文字更新を停止", true, true},
        {"DirCng", "Dir変更指示", true, true},
        {"Pptrun", "開始", true, true},
        {"PptNext", "次へ", true, true},
        {"PptEsc", "表示中止", true, true},
        {"PptUp", "前", true, true},
        {"PptDown", "後", true, true},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        const QPushButton* button = child<QPushButton>(QString::fromLatin1(b.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        EXPECT_EQ(button->isVisibleTo(window.get()), b.shown);
        EXPECT_EQ(button->isEnabled(), b.enabled);
    }
    EXPECT_EQ(enabledButtons(), QStringList({"sel_bk", "sel_dp9"}));

    const char* const masks[] = {
        "すべてのファイル(*.*)",
        "部品ファイル(*.rp1)",
        "ファイルセット(*.rf1)",
        "部品の値ファイル(*.rv1)",
        "設定ファイル(*.rd1)",
        "ハイパーテキスト(*.htm;*.htm?)",
        "テキストファイル(*.txt)",
        "ビットマップ(*.bmp)",
        "Webリスト(*.rw1)",
        "IPtalk設定(*.dp9)",
        "Microsoft PowerPoint(*.ppt)",
        "Microsoft Excel(*.xls)",
        "Microsoft Word(*.doc)",
        "SterOffice/OpenOffice Draw(*.sxd)",
        "ワークシート[CSVファイル] (*.csv)",
    };
    QStringList entries;
    for (int i = 0; i < window->FileMask()->count(); ++i) {
        entries << window->FileMask()->itemText(i);
    }
    QStringList expectedEntries;
    for (const char* mask : masks) {
        expectedEntries << QString::fromUtf8(mask);
    }
    EXPECT_EQ(entries, expectedEntries);
    EXPECT_EQ(window->FileMask()->currentText(), QStringLiteral("*.*"));
    EXPECT_EQ(window->WipeBlend()->value(), 8);
    EXPECT_EQ(window->WipeBlend()->minimum(), 0);
    EXPECT_EQ(window->WipeBlend()->maximum(), 8);
}

TEST_F(FileTab, ListRequestEmptiesTheListsAndSendsTheMaskThenTheFolderRequest) {
    fillList({"a.txt", "b.rp1"});
    QSignalSpy cleared(window.get(), &TClientMain::fileListCleared);
    window->Button5Click();
    EXPECT_EQ(window->FileList()->count(), 0);
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_EQ(connection.sent, QByteArrayList({packet(32, "*.*"), packet(68, "*.*")}));

    // Choosing an entry requests the list with the entry's mask, not its text.
    connection.sent.clear();
    window->FileMask()->setCurrentIndex(5);
    Q_EMIT window->FileMask()->activated(5);
    EXPECT_EQ(connection.sent, QByteArrayList({packet(32, "*.htm*"), packet(68, "*.*")}));

    // A typed mask is sent as typed.
    connection.sent.clear();
    QLineEdit* edit = window->FileMask()->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("*.jpg"));
    child<QPushButton>(QStringLiteral("Button5"))->click();
    EXPECT_EQ(connection.sent, QByteArrayList({packet(32, "*.jpg"), packet(68, "*.*")}));
}

TEST_F(FileTab, InstructionsNeedASelectedLine) {
    fillList({"index.html"});
    for (const FileInstructionInfo& info : fileInstructions()) {
        instruction(info.id)->setEnabled(true);
        instruction(info.id)->click();
    }
    for (const char* name : {"Pptrun", "PptNext", "PptEsc", "PptUp", "PptDown"}) {
        child<QPushButton>(QString::fromLatin1(name))->click();
    }
    QTest::keyClick(window->FileList(), Qt::Key_Return);
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(FileTab, SelectingALineAppliesTheEnablingRules) {
    showWindow();
    fillList({"SCORE.RP1", "index.html", "draw.sxd", "setup.exe"});
    const QStringList expected[] = {
        {"sel_rp1", "sel_rp1h"},
        {"sel_bg1", "sel_bk"},
        {"sel_bg1", "sel_txa"},
        {},
    };
    for (int row = 0; row < 4; ++row) {
        select(row);
        EXPECT_EQ(enabledButtons(), expected[row]) << row;
    }
    // Moving with the keys follows the line now selected.
    QTest::keyClick(window->FileList(), Qt::Key_Up);
    EXPECT_EQ(enabledButtons(), expected[2]);
}

TEST_F(FileTab, ButtonsSendTheSelectedNameAndRequestPartsWhereTheyLoadThem) {
    showWindow();
    fillList({"SCORE.RP1", sj("背景.jpg")});
    select(0);
    child<QPushButton>(QStringLiteral("sel_rp1h"))->click();
    EXPECT_EQ(connection.sent, QByteArrayList({packet(79, "SCORE.RP1"), packet(45)}));

    connection.sent.clear();
    select(1);
    child<QPushButton>(QStringLiteral("sel_bk"))->click();
    child<QPushButton>(QStringLiteral("PptNext"))->click();
    EXPECT_EQ(connection.sent, QByteArrayList({packet(67, sj("背景.jpg")), packet(61)}));
}

TEST_F(FileTab, DoubleClickAndEnterRunTheInstructionOfTheExtension) {
    showWindow();
    QSignalSpy iptalk(window.get(), &TClientMain::iptalkFileChosen);
    const struct {
        QByteArray name;
        QByteArrayList packets;
    } cases[] = {
        {"SCORE.RP1", {packet(46, "SCORE.RP1"), packet(45)}},
        {"index.html", {packet(31, "index.html")}},
        {"draw.sxd", {packet(31, "draw.sxd")}},
        {"caption.txt", {}},
        {"sheet.csv", {packet(76, "sheet.csv"), packet(45)}},
        {"event.rf1", {packet(42, "event.rf1"), packet(45)}},
        {"settings.rd1", {packet(39, "settings.rd1")}},
        {"talk.dp9", {}},
    };
    for (const auto& c : cases) {
        window->FileList()->clear();
        fillList({c.name});
        select(0);
        connection.sent.clear();
        const QRect rect = window->FileList()->visualItemRect(window->FileList()->item(0));
        QTest::mouseDClick(window->FileList()->viewport(), Qt::LeftButton, {}, rect.center());
        EXPECT_EQ(connection.sent, c.packets) << c.name.toStdString();

        connection.sent.clear();
        QTest::keyClick(window->FileList(), Qt::Key_Return);
        EXPECT_EQ(connection.sent, c.packets) << c.name.toStdString();
    }
    ASSERT_EQ(iptalk.count(), 2);
    EXPECT_EQ(iptalk.at(0).at(0).toByteArray(), QByteArray("talk.dp9"));
}

TEST_F(FileTab, FadeSliderSendsTheLevel) {
    EXPECT_TRUE(connection.sent.isEmpty());
    for (int position : {7, 0, 8}) {
        window->WipeBlend()->setValue(position);
    }
    EXPECT_EQ(connection.sent,
              QByteArrayList({packet(60, "224"), packet(60, "0"), packet(60, "255")}));
}

TEST_F(FileTab, StoppingCaptionUpdatesLeavesThePartsGridAlone) {
    window->partsInfo("title", "x", "0", "255");
    connection.sent.clear();
    child<QPushButton>(QStringLiteral("Button10"))->click();
    EXPECT_EQ(connection.sent, QByteArrayList({packet(49)}));
    EXPECT_EQ(window->PartsList()->rowCount(), 2);

    QSignalSpy dirChange(window.get(), &TClientMain::showToolRequested);
    child<QPushButton>(QStringLiteral("DirCng"))->click();
    ASSERT_EQ(dirChange.count(), 1);
    EXPECT_EQ(dirChange.first().first().toString(), QStringLiteral("TDirChange"));
}
