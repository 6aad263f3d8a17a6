// The parts editor driven as a user drives it: menus and the grid's context menu by mouse,
// the appearance panel's buttons, files opened and saved through the dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "content/Zul2_fpset.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/colour.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
#include "test_support.h"

using namespace zul;
using test::readAll;
using test::sj;
using test::writeAll;

namespace {

QAction* actionNamed(const QList<QAction*>& actions, const QString& text) {
    for (QAction* a : actions) {
        if (a->text() == text) {
            return a;
        }
    }
    return nullptr;
}

// Rows "1:p1", "2:p2", ... with an ID and a name.
EditorRows numbered(int count) {
    EditorRows rows;
    for (int i = 1; i <= count; ++i) {
        QByteArrayList row = emptyPartRow();
        row[kColId] = QByteArray::number(i);
        row[kColName] = "p" + QByteArray::number(i);
        rows.push_back(row);
    }
    return rows;
}

QString shape(const EditorRows& rows) {
    QStringList out;
    for (const QByteArrayList& row : rows) {
        const bool empty =
            std::all_of(row.begin(), row.end(), [](const QByteArray& c) { return c.isEmpty(); });
        out << (empty ? QStringLiteral("-")
                      : QString::fromLatin1(row[kColId] + ':' + row[kColName]));
    }
    return out.join(QLatin1Char(' '));
}

class PartsEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        settings_.BaseDir.set(dir_.path());
        editor_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor_));
    }

    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

    // Opens a menu of the menu bar and chooses an item, both by mouse.
    void chooseMenu(const QString& menuTitle, const QString& item) {
        QMenuBar* bar = editor_.MainMenu();
        QAction* menuAction = actionNamed(bar->actions(), menuTitle);
        ASSERT_NE(menuAction, nullptr) << menuTitle.toStdString();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menuAction).center());
        QMenu* menu = menuAction->menu();
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); })) << menuTitle.toStdString();
        clickItem(menu, item);
    }

    void clickItem(QMenu* menu, const QString& item) {
        QAction* action = actionNamed(menu->actions(), item);
        ASSERT_NE(action, nullptr) << item.toStdString();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }));
    }

    QPoint cellCentre(int r, int column) const {
        QTableWidget* grid = editor_.PartsList();
        return grid->visualRect(grid->model()->index(r - 1, column)).center();
    }

    // A click with the right button on a cell of row r, through the window system so that
    // the context menu comes up as it does for a user; then the item is chosen.
    void contextMenu(int r, const QString& item) {
        QTableWidget* grid = editor_.PartsList();
        QWindow* window = editor_.windowHandle();
        const QPoint at = grid->viewport()->mapTo(&editor_, cellCentre(r, kColName));
        QTest::mouseClick(window, Qt::RightButton, {}, at);
        QMenu* menu = editor_.PopupMenu();
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
        EXPECT_EQ(editor_.selectedRow(), r) << "the row under the mouse is selected first";
        clickItem(menu, item);
    }

    void clickCell(int r, int column) {
        QTest::mouseClick(editor_.PartsList()->viewport(), Qt::LeftButton, {},
                          cellCentre(r, column));
    }

    template <typename T>
    T* child(const char* name) {
        T* w = editor_.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // A click on the box's indicator.
    static void tick(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    QString label(const char* name) { return child<QLabel>(name)->text(); }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }

    QTemporaryDir dir_;
    Settings settings_;
    test::RecordingDialogs dialogs_;
    DebugLog log_;
    TFP_Edit editor_{settings_, dialogs_, log_};
};

const QString kParts = QStringLiteral("部品操作(&P)");
const QString kAdd = QStringLiteral("部品追加(&A)");
const QString kRemove = QStringLiteral("部品削除(&D)");
const QString kFile = QStringLiteral("ファイル操作(&F)");

}  // namespace

TEST_F(PartsEditor, StartsWithOnePartRowUnderItsTitles) {
    EXPECT_EQ(editor_.windowTitle(), QStringLiteral("部品設定ツール"));
    QTableWidget* grid = editor_.PartsList();
    ASSERT_EQ(grid->columnCount(), 14);
    const QStringList titles = {
        QString(),
        QStringLiteral("部品名"),
        QStringLiteral("初期値"),
        QStringLiteral("位置[左上-Y1]"),
        QStringLiteral("位置[左上-X1]"),
        QStringLiteral("位置[右下-Y2]"),
        QStringLiteral("位置[右下-X2]"),
        QStringLiteral("フォント種類"),
        QStringLiteral("フォント色"),
        QStringLiteral("フォントサイズ"),
        QStringLiteral("背景色"),
        QStringLiteral("透過"),
        QStringLiteral("自動サイズ"),
        QStringLiteral("値変更不可"),
    };
    for (int column = 0; column < 14; ++column) {
        EXPECT_EQ(grid->horizontalHeaderItem(column)->text(), titles[column]) << column;
        EXPECT_EQ(grid->columnWidth(column), 75) << column;
    }
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->rowHeight(0), 20);
    EXPECT_EQ(editor_.rows(), initialEditorRows());
    EXPECT_EQ(editor_.previewPicture().size(), QSize(1024, 768));
    EXPECT_FALSE(grid->item(0, kColId)->flags().testFlag(Qt::ItemIsEditable))
        << "the ID column is fixed";

    EXPECT_EQ(label("Label1"), QStringLiteral("ＭＳ　ゴシック"));
    EXPECT_EQ(label("Label4"), QStringLiteral("9"));
    EXPECT_EQ(label("Label2"), QStringLiteral("0"));
    EXPECT_EQ(label("Label3"), QStringLiteral("16777215"));
    EXPECT_EQ(label("Sample"), QStringLiteral("Ａa"));
    auto* size = child<QComboBox>("DispSize");
    EXPECT_EQ(size->currentText(), QStringLiteral("1024x768"));
    EXPECT_FALSE(size->isEnabled());
    auto* font = child<QSpinBox>("StrFont");
    EXPECT_EQ(font->value(), 25);
    EXPECT_EQ(font->minimum(), 1);
    EXPECT_EQ(font->maximum(), 300);
}

TEST_F(PartsEditor, AddingStopsAt398PartsAndRemovingAtOne) {
    chooseMenu(kParts, kRemove);
    EXPECT_EQ(editor_.PartsList()->rowCount(), 1) << "the only part row stays";

    chooseMenu(kParts, kAdd);
    EXPECT_EQ(editor_.PartsList()->rowCount(), 2);
    EXPECT_EQ(editor_.cell(2, kColId), "2");
    EXPECT_EQ(editor_.cell(2, kColTop), "0");
    EXPECT_EQ(editor_.cell(2, kColName), "");
    QAction* add =
        actionNamed(actionNamed(editor_.MainMenu()->actions(), kParts)->menu()->actions(), kAdd);
    while (editor_.PartsList()->rowCount() < 397) {
        add->trigger();
    }
    chooseMenu(kParts, kAdd);
    EXPECT_EQ(editor_.PartsList()->rowCount(), 398) << "the 398th part is added";
    EXPECT_EQ(editor_.cell(398, kColId), "398");
    chooseMenu(kParts, kAdd);
    EXPECT_EQ(editor_.PartsList()->rowCount(), 398) << "a 399th is not";

    chooseMenu(kParts, kRemove);
    EXPECT_EQ(editor_.PartsList()->rowCount(), 397);
    EXPECT_EQ(editor_.cell(397, kColId), "397") << "the last row goes";
}

TEST_F(PartsEditor, ContextMenuActsOnTheRowUnderTheMouse) {
    editor_.setRows(numbered(3));
    contextMenu(2, QStringLiteral("上へ"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("2:p2 1:p1 3:p3"));

    contextMenu(1, QStringLiteral("上へ"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("2:p2 1:p1 3:p3")) << "first row stays";
    contextMenu(1, QStringLiteral("挿入"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("2:p2 1:p1 3:p3")) << "no insert at row 1";
    contextMenu(3, QStringLiteral("下へ"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("2:p2 1:p1 3:p3")) << "last row stays";
    contextMenu(1, QStringLiteral("下へ"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("1:p1 2:p2 3:p3"));

    contextMenu(2, QStringLiteral("挿入"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("1:p1 - 2:p2 3:p3"));
    contextMenu(3, QStringLiteral("削除"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("1:p1 - 3:p3 -"));
    EXPECT_EQ(editor_.selectedRow(), 2) << "the selection moves up one row";
    contextMenu(1, QStringLiteral("削除"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("1:p1 - 3:p3 -")) << "no delete at row 1";
    contextMenu(1, QStringLiteral("クリア"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("- - 3:p3 -"));
}

TEST_F(PartsEditor, DraggingARowHeaderMovesTheRow) {
    editor_.setRows(numbered(4));
    QHeaderView* header = editor_.PartsList()->verticalHeader();
    header->moveSection(0, 2);
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("2:p2 3:p3 1:p1 4:p4"));
    EXPECT_EQ(header->visualIndex(0), 0) << "the header keeps the grid's order";
    EXPECT_EQ(editor_.selectedRow(), 3);
}

TEST_F(PartsEditor, ClickingARowLoadsThePanelAndApplyWritesItBack) {
    QByteArrayList row = numbered(2)[0];
    row[kColFont] = sj("ＭＳ Ｐゴシック");
    row[kColFontColour] = "255";
    row[kColFontSize] = "20";
    row[kColBackColour] = "65280";
    row[kColThrough] = sj("はいですね");
    row[kColAutoSize] = sj("いいえ");
    row[kColLock] = sj("はい");
    editor_.setRows({row, numbered(2)[1]});

    clickCell(1, kColName);
    EXPECT_EQ(label("Label1"), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(label("Label2"), QStringLiteral("255"));
    EXPECT_EQ(label("Label4"), QStringLiteral("20"));
    EXPECT_EQ(label("Label3"), QStringLiteral("65280"));
    EXPECT_TRUE(child<QCheckBox>("CheckBox1")->isChecked()) << "first four bytes are はい";
    EXPECT_FALSE(child<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("CheckBox3")->isChecked());
    auto* sample = child<QLabel>("Sample");
    EXPECT_EQ(sample->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(sample->font().pointSize(), 20);
    EXPECT_EQ(sample->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(sample->palette().color(QPalette::Window), QColor(0, 255, 0));

    // The dialogs: a cancelled one changes nothing.
    dialogs_.colours.enqueue(QColor(0, 0, 255));
    click("Button6");
    EXPECT_EQ(label("Label2"), QStringLiteral("16711680"));
    click("Button7");
    EXPECT_EQ(label("Label3"), QStringLiteral("65280")) << "cancelled";
    QFont chosen(QStringLiteral("IPAGothic"));
    chosen.setPointSize(14);
    dialogs_.fonts.enqueue(chosen);
    click("Button5");
    EXPECT_FALSE(dialogs_.lastFontFixedPitch) << "every installed font is offered";
    EXPECT_EQ(label("Label1"), QStringLiteral("IPAGothic"));
    EXPECT_EQ(label("Label4"), QStringLiteral("14"));
    click("Button5");
    EXPECT_EQ(label("Label1"), QStringLiteral("IPAGothic")) << "cancelled";
    EXPECT_EQ(sample->palette().color(QPalette::WindowText), QColor(0, 0, 255));

    tick(child<QCheckBox>("CheckBox1"));
    tick(child<QCheckBox>("CheckBox2"));
    click("Button8");
    EXPECT_EQ(editor_.cell(1, kColFont), "IPAGothic");
    EXPECT_EQ(editor_.cell(1, kColFontColour), "16711680");
    EXPECT_EQ(editor_.cell(1, kColFontSize), "14");
    EXPECT_EQ(editor_.cell(1, kColBackColour), "65280");
    EXPECT_EQ(editor_.cell(1, kColThrough), sj("いいえ"));
    EXPECT_EQ(editor_.cell(1, kColAutoSize), sj("はい"));
    EXPECT_EQ(editor_.cell(1, kColLock), sj("はい"));
    EXPECT_EQ(editor_.cell(2, kColFont), "") << "other rows stay";
}

TEST_F(PartsEditor, ARowWithoutNumbersLeavesTheSampleAndSaysSo) {
    QByteArrayList row = numbered(1)[0];
    row[kColFontSize] = "big";
    row[kColFontColour] = "0x0000ff";
    row[kColBackColour] = "red";
    editor_.setRows({row});
    clickCell(1, kColName);
    auto* sample = child<QLabel>("Sample");
    EXPECT_EQ(sample->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(log_.lines().last().contains(sj("big"))) << log_.lines().last().toStdString();
    EXPECT_TRUE(log_.lines().last().contains(sj("red")));
}

TEST_F(PartsEditor, OpensEveryRecordOfAFile) {
    QByteArray bytes = "[List]\r\nRecordCount=450\r\n";
    bytes += sj("[Parts-1]\r\nID=7\r\nPName=得点\r\nValue=0\r\nX1=10\r\nThrough=はい\r\n");
    writeAll(path("many.rp1"), bytes);
    dialogs_.files.enqueue(path("many"));  // the extension comes by itself
    chooseMenu(kFile, QStringLiteral("読み込み(&R)"));
    ASSERT_EQ(editor_.PartsList()->rowCount(), 450);
    EXPECT_EQ(editor_.cell(1, kColId), "7");
    EXPECT_EQ(editor_.cell(1, kColName), sj("得点"));
    EXPECT_EQ(editor_.cell(1, kColTop), "10");
    EXPECT_EQ(editor_.cell(1, kColLeft), "0") << "drawn after opening: empty numbers are 0";
    EXPECT_EQ(editor_.cell(1, kColThrough), sj("はい"));
    EXPECT_EQ(editor_.cell(450, kColName), "");
    EXPECT_EQ(editor_.PartsList()->horizontalHeaderItem(3)->text(),
              QStringLiteral("位置[左上-Y1]"));

    dialogs_.files.enqueue(path("nothing.rp1"));
    chooseMenu(kFile, QStringLiteral("読み込み(&R)"));
    EXPECT_EQ(editor_.PartsList()->rowCount(), 1) << "a missing file gives one empty row";
    EXPECT_EQ(editor_.cell(1, kColId), "");

    // A folder of that name is no file: the grid stays.
    editor_.setRows(numbered(2));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.rp1")));
    dialogs_.files.enqueue(path("folder.rp1"));
    chooseMenu(kFile, QStringLiteral("読み込み(&R)"));
    EXPECT_EQ(shape(editor_.rows()), QStringLiteral("1:p1 2:p2"));
    EXPECT_TRUE(log_.lines().last().contains("folder.rp1"));
}

TEST_F(PartsEditor, SavesAllFourteenKeysOfEveryRow) {
    QByteArrayList row = emptyPartRow();
    const char* cells[] = {"1",   "得点", "0", "10",   "20",     "30",    "40", "ＭＳゴシック",
                           "255", "12",   "0", "はい", "いいえ", "いいえ"};
    for (int c = 0; c < 14; ++c) {
        row[c] = sj(cells[c]);
    }
    editor_.setRows({row, emptyPartRow()});
    writeAll(path("out.rp1"), "[List]\r\nRecordCount=5\r\n[Parts-5]\r\nPName=old\r\n");
    dialogs_.files.enqueue(path("out.txt"));
    chooseMenu(kFile, QStringLiteral("保存(&S)"));
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.lastText(), QStringLiteral("保存しました"));
    EXPECT_EQ(dialogs_.lastTitle(), QStringLiteral("保存"));
    EXPECT_EQ(dialogs_.fileTitles.last(), QStringLiteral("部品ファイルを保存"));
    EXPECT_EQ(readAll(path("out.rp1")),
              sj("[List]\r\nRecordCount=2\r\n[Parts-1]\r\nID=1\r\nPName=得点\r\nValue=0\r\n"
                 "X1=10\r\nY1=20\r\nX2=30\r\nY2=40\r\nFName=ＭＳゴシック\r\nFColor=255\r\n"
                 "FSize=12\r\nBColor=0\r\nThrough=はい\r\nAutoSize=いいえ\r\nchange_lock=いいえ\r\n"
                 "[Parts-2]\r\nID=\r\nPName=\r\nValue=\r\nX1=\r\nY1=\r\nX2=\r\nY2=\r\nFName=\r\n"
                 "FColor=\r\nFSize=\r\nBColor=\r\nThrough=\r\nAutoSize=\r\nchange_lock=\r\n"));
    EXPECT_FALSE(QFile::exists(path("out.txt")));
}

TEST_F(PartsEditor, AFailedSaveSaysSoAndKeepsTheOldFile) {
    editor_.setRows(numbered(40));
    const QByteArray before = "[List]\r\nRecordCount=1\r\n[Parts-1]\r\nPName=old\r\n";
    writeAll(path("keep.rp1"), before);
    dialogs_.files.enqueue(path("keep.rp1"));
    {
        const test::FileSizeLimit limit(256);
        ASSERT_TRUE(limit.active());
        editor_.SaveClick();
    }
    EXPECT_EQ(dialogs_.lastText(), QStringLiteral("保存失敗です。"));
    EXPECT_EQ(dialogs_.lastTitle(), QStringLiteral("保存"));
    EXPECT_EQ(readAll(path("keep.rp1")), before);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.rp1")});
}

TEST_F(PartsEditor, RedrawFillsEmptyNumbersAndDrawsTheParts) {
    QByteArrayList row = emptyPartRow();
    row[kColTop] = "100";
    row[kColLeft] = "200";
    row[kColHeight] = "50";
    row[kColWidth] = "60";
    row[kColBackColour] = "255";
    editor_.setRows({row});
    QSignalSpy drawn(&editor_, &TFP_Edit::previewPictureChanged);
    click("Button12");
    EXPECT_EQ(drawn.size(), 1);
    EXPECT_EQ(editor_.cell(1, kColFontColour), "0");
    EXPECT_EQ(editor_.cell(1, kColFontSize), "0");
    const QImage& picture = editor_.previewPicture();
    EXPECT_EQ(picture.size(), QSize(1024, 768));
    EXPECT_EQ(fromQColor(picture.pixelColor(200 + 10, 100 + 10)), 255);
    EXPECT_NE(fromQColor(picture.pixelColor(200 + 70, 100 + 10)), 255);

    // Moved, the part is drawn at its new place only: every redraw starts from a clean picture.
    editor_.selectRow(1);
    editor_.setSelectedRowCell(kColLeft, "500");
    click("Button12");
    EXPECT_EQ(fromQColor(editor_.previewPicture().pixelColor(500 + 10, 100 + 10)), 255);
    EXPECT_NE(fromQColor(editor_.previewPicture().pixelColor(200 + 10, 100 + 10)), 255);
}

TEST_F(PartsEditor, LeavingTheGridRedrawsThePreview) {
    editor_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor_));
    editor_.PartsList()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor_.PartsList()->hasFocus(); }));
    editor_.setRows({emptyPartRow()});
    QSignalSpy drawn(&editor_, &TFP_Edit::previewPictureChanged);
    child<QSpinBox>("StrFont")->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.size() == 1; }));
    EXPECT_EQ(editor_.cell(1, kColTop), "0");
}

TEST_F(PartsEditor, LoadsAPictureForThePreview) {
    QSignalSpy tools(&editor_, &TFP_Edit::showToolRequested);
    QImage image(1024, 768, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 0));
    ASSERT_TRUE(image.save(path("back.png")));
    dialogs_.files.enqueue(path("back.png"));
    chooseMenu(QStringLiteral("画面イメージ(&I)"), QStringLiteral("背景画面をロード(&L)"));
    ASSERT_EQ(tools.size(), 1);
    EXPECT_EQ(tools[0][0].toString(), QStringLiteral("TRE_Disp"));
    EXPECT_EQ(dialogs_.fileTitles.last(), QStringLiteral("画像をロード"));
    EXPECT_EQ(editor_.previewPicture().pixelColor(900, 700), QColor(0, 128, 0));

    // A folder is no picture: the old one stays.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.png")));
    dialogs_.files.enqueue(path("folder.png"));
    editor_.LoadImageClick();
    EXPECT_EQ(editor_.previewPicture().pixelColor(900, 700), QColor(0, 128, 0));
}
