#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <functional>
#include <string>

#include "content/parts_editing.h"
#include "platform/colour.h"
#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

// Rows named by their ID cells ("1", "2", ...), each with a name cell so that contents can
// be told apart from IDs.
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

// The rows as "ID:name" texts, "-" for an empty row.
std::string shape(const EditorRows& rows) {
    std::string out;
    for (const QByteArrayList& row : rows) {
        if (!out.empty()) {
            out += ' ';
        }
        const bool empty =
            std::all_of(row.begin(), row.end(), [](const QByteArray& c) { return c.isEmpty(); });
        out += empty ? std::string("-") : (row[kColId] + ':' + row[kColName]).toStdString();
    }
    return out;
}

}  // namespace

TEST(PartsEditing, NewEditorHasOnePartRowWithIdOne) {
    const EditorRows rows = initialEditorRows();
    ASSERT_EQ(rows.size(), 1u);
    QByteArrayList expected = emptyPartRow();
    expected[kColId] = "1";
    EXPECT_EQ(rows[0], expected);
}

TEST(PartsEditing, AddingGivesTheRowItsNumberAndZeroNumbersUpTo398Parts) {
    EditorRows rows = numbered(2);
    ASSERT_TRUE(addPartRow(rows));
    ASSERT_EQ(rows.size(), 3u);
    const QByteArrayList& added = rows[2];
    EXPECT_EQ(added[kColId], "3");
    for (int column = 0; column < kPartsKeyCount; ++column) {
        const bool zero = column == kColTop || column == kColLeft || column == kColHeight ||
                          column == kColWidth || column == kColFontColour ||
                          column == kColFontSize || column == kColBackColour;
        if (column != kColId) {
            EXPECT_EQ(added[column], zero ? QByteArray("0") : QByteArray()) << column;
        }
    }

    rows = numbered(397);
    EXPECT_TRUE(addPartRow(rows)) << "the 398th part";
    EXPECT_EQ(rows.size(), 398u);
    EXPECT_FALSE(addPartRow(rows)) << "a 399th part";
    EXPECT_EQ(rows.size(), 398u);
    // A file may hold more; adding still stops.
    rows = numbered(450);
    EXPECT_FALSE(addPartRow(rows));
    EXPECT_EQ(rows.size(), 450u);
}

TEST(PartsEditing, RowOperationsAndTheirLimits) {
    using Op = std::function<bool(EditorRows&)>;
    const struct {
        const char* what;
        int count;
        Op op;
        bool applies;
        const char* after;
    } cases[] = {
        {"remove last of three", 3, removeLastPartRow, true, "1:p1 2:p2"},
        {"remove the only part row", 1, removeLastPartRow, false, "1:p1"},
        {"insert at row 2", 3, [](EditorRows& r) { return insertPartRow(r, 2); }, true,
         "1:p1 - 2:p2 3:p3"},
        {"insert at the last row", 3, [](EditorRows& r) { return insertPartRow(r, 3); }, true,
         "1:p1 2:p2 - 3:p3"},
        {"insert at the first part row", 3, [](EditorRows& r) { return insertPartRow(r, 1); },
         false, "1:p1 2:p2 3:p3"},
        {"insert beyond the rows", 3, [](EditorRows& r) { return insertPartRow(r, 4); }, false,
         "1:p1 2:p2 3:p3"},
        {"delete row 2", 3, [](EditorRows& r) { return deletePartRow(r, 2).has_value(); }, true,
         "1:p1 3:p3 -"},
        {"delete the last row", 3, [](EditorRows& r) { return deletePartRow(r, 3).has_value(); },
         true, "1:p1 2:p2 -"},
        {"delete the first part row", 3,
         [](EditorRows& r) { return deletePartRow(r, 1).has_value(); }, false, "1:p1 2:p2 3:p3"},
        {"clear row 1", 3, [](EditorRows& r) { return clearPartRow(r, 1); }, true, "- 2:p2 3:p3"},
        {"clear the title row", 3, [](EditorRows& r) { return clearPartRow(r, 0); }, false,
         "1:p1 2:p2 3:p3"},
        {"up from row 3", 3, [](EditorRows& r) { return movePartRowUp(r, 3); }, true,
         "1:p1 3:p3 2:p2"},
        {"up from the first part row", 3, [](EditorRows& r) { return movePartRowUp(r, 1); }, false,
         "1:p1 2:p2 3:p3"},
        {"down from the first part row", 3, [](EditorRows& r) { return movePartRowDown(r, 1); },
         true, "2:p2 1:p1 3:p3"},
        {"down from the last part row", 3, [](EditorRows& r) { return movePartRowDown(r, 3); },
         false, "1:p1 2:p2 3:p3"},
        {"down with one part row", 1, [](EditorRows& r) { return movePartRowDown(r, 1); }, false,
         "1:p1"},
        {"drag row 1 to row 3", 4, [](EditorRows& r) { return movePartRow(r, 1, 3); }, true,
         "2:p2 3:p3 1:p1 4:p4"},
        {"drag row 4 to row 2", 4, [](EditorRows& r) { return movePartRow(r, 4, 2); }, true,
         "1:p1 4:p4 2:p2 3:p3"},
        {"drag onto itself", 4, [](EditorRows& r) { return movePartRow(r, 2, 2); }, false,
         "1:p1 2:p2 3:p3 4:p4"},
        {"drag beyond the rows", 4, [](EditorRows& r) { return movePartRow(r, 2, 5); }, false,
         "1:p1 2:p2 3:p3 4:p4"},
    };
    for (const auto& c : cases) {
        EditorRows rows = numbered(c.count);
        EXPECT_EQ(c.op(rows), c.applies) << c.what;
        EXPECT_EQ(shape(rows), c.after) << c.what;
    }
}

TEST(PartsEditing, DeleteSelectsTheRowAbove) {
    EditorRows rows = numbered(4);
    EXPECT_EQ(deletePartRow(rows, 3), std::optional<int>(2));
    EXPECT_EQ(rows.size(), 4u) << "the number of rows stays";
}

TEST(PartsEditing, InsertStopsAtTheReadersBound) {
    EditorRows rows(static_cast<std::size_t>(kMaxListedRecords), emptyPartRow());
    EXPECT_FALSE(insertPartRow(rows, 2));
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(kMaxListedRecords));
}

TEST(PartsEditing, DrawingFillsEmptyNumberCellsWithZero) {
    QByteArrayList row = emptyPartRow();
    row[kColName] = "a";
    row[kColTop] = "12";
    row[kColFontColour] = "x";  // not empty: stays
    EditorRows rows{row, QByteArrayList{"7"}};
    fillEmptyNumberCells(rows);
    QByteArrayList expected = row;
    for (int column : {kColLeft, kColHeight, kColWidth, kColFontSize, kColBackColour}) {
        expected[column] = "0";
    }
    EXPECT_EQ(rows[0], expected);
    // A short row grows to all cells.
    QByteArrayList second = emptyPartRow();
    second[kColId] = "7";
    for (int column :
         {kColTop, kColLeft, kColHeight, kColWidth, kColFontColour, kColFontSize, kColBackColour}) {
        second[column] = "0";
    }
    EXPECT_EQ(rows[1], second);
}

TEST(PartsEditing, YesIsTheFirstFourBytes) {
    const struct {
        QByteArray cell;
        bool yes;
    } cases[] = {
        {sj("はい"), true},    {sj("はいはい"), true}, {sj("はい ") + "x", true},
        {sj("いいえ"), false}, {QByteArray(), false},  {sj(" はい"), false},
        {sj("は"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(editorSaysYes(c.cell), c.yes) << c.cell.toHex().toStdString();
    }
}

TEST(PartsEditing, DragRectangleDoublesAndOrdersTheCorners) {
    const QSize area(512, 384);
    const struct {
        QPoint start;
        QPoint end;
        PartRect rect;
    } cases[] = {
        {{100, 50}, {300, 150}, {100, 200, 200, 400}},
        // From the lower right to the upper left: the same rectangle, never a negative size.
        {{300, 150}, {100, 50}, {100, 200, 200, 400}},
        {{300, 50}, {100, 150}, {100, 200, 200, 400}},
        // A click without movement.
        {{10, 20}, {10, 20}, {40, 20, 0, 0}},
        // Released beyond the picture: the edge of the picture counts.
        {{500, 300}, {900, -40}, {0, 1000, 600, 24}},
        {{-5, -5}, {600, 400}, {0, 0, 768, 1024}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dragRectangle(c.start, c.end, area), c.rect)
            << c.start.x() << "," << c.start.y() << " -> " << c.end.x() << "," << c.end.y();
    }
}

TEST(PartsEditing, PreviewSizeStripAndLayout) {
    const QSize current(1234, 567);
    EXPECT_EQ(previewScreenSize(-1, current), QSize(640, 480));
    EXPECT_EQ(previewScreenSize(0, current), QSize(640, 480));
    EXPECT_EQ(previewScreenSize(1, current), QSize(800, 600));
    EXPECT_EQ(previewScreenSize(2, current), QSize(1024, 768));
    EXPECT_EQ(previewScreenSize(3, current), current);

    EXPECT_EQ(previewStripHeight(true, 36, 96), 96);
    EXPECT_EQ(previewStripHeight(true, 25, 96), 66);  // 25 * 96 / 72 = 33.3 -> 33
    EXPECT_EQ(previewStripHeight(false, 36, 96), 0);
    EXPECT_EQ(previewStripHeight(true, 100000, 96), 800) << "the size box stops at 300";

    const PreviewLayout plain = previewLayout({1024, 768}, 0);
    EXPECT_EQ(plain.window, QSize(512, 384));
    EXPECT_EQ(plain.picture, QRect(0, 0, 512, 384));
    EXPECT_EQ(plain.strip.top(), 384) << "no strip: below the window";
    const PreviewLayout strip = previewLayout({1024, 768}, 96);
    EXPECT_EQ(strip.picture, QRect(0, 0, 512, 336));
    EXPECT_EQ(strip.strip, QRect(0, 336, 512, 384));
}

TEST(PartsEditing, PartsAreDrawnInOrderWithAnInvertedFrame) {
    QImage picture(100, 80, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const auto row = [](const char* top, const char* left, const char* height, const char* width,
                        const char* back) {
        QByteArrayList r = emptyPartRow();
        r[kColTop] = top;
        r[kColLeft] = left;
        r[kColHeight] = height;
        r[kColWidth] = width;
        r[kColBackColour] = back;
        return r;
    };
    // Red (255) at left 10, top 20, 40 x 30; then blue over its lower right corner; then a
    // row whose numbers are not numbers (nothing drawn).
    const EditorRows rows = {row("20", "10", "30", "40", "255"),
                             row("40", "30", "20", "30", "16711680"), row("x", "y", "z", "w", "0")};
    drawPartRectangles(picture, rows);
    const auto at = [&](int x, int y) { return fromQColor(picture.pixelColor(x, y)); };
    EXPECT_EQ(at(10, 20), 255) << "top-left corner is filled";
    EXPECT_EQ(at(11, 21), invertedColour(255)) << "frame one pixel inside";
    EXPECT_EQ(at(47, 21), invertedColour(255)) << "frame's right edge at right - 3";
    EXPECT_EQ(at(48, 25), 255) << "right of the frame";
    EXPECT_EQ(at(49, 49), 16711680) << "the later row lies above";
    EXPECT_EQ(at(20, 30), 255) << "inside the red part";
    EXPECT_EQ(at(9, 20), kColorWhite);
    EXPECT_EQ(at(5, 5), kColorWhite);
    EXPECT_EQ(invertedColour(255), 0xFFFF00);
    EXPECT_EQ(invertedColour(kColorWhite), kColorBlack);
}
