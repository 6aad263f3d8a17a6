#pragma once

// The rules of the parts editor and its preview, free of widgets: the row operations of the
// editor grid with their limits, the cells that drawing fills in, how a drag on the half-size
// preview becomes a part's rectangle, the preview's layout, and drawing the parts on the
// preview picture.
//
// The grid's rows are the parts definition records of the file layer: per row the 14 cells
// in the order of kPartsKeys, as code page 932 text. Row numbers `r` count as the grid does,
// with the title row as row 0, so the first part row is 1.

#include <QByteArrayList>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

#include "content/parts_files.h"

namespace zul {

using EditorRows = std::vector<QByteArrayList>;

// Grid columns: the parts definition keys in the order they are written.
enum PartsColumn : int {
    kColId = 0,
    kColName = 1,
    kColValue = 2,
    kColTop = 3,     // X1
    kColLeft = 4,    // Y1
    kColHeight = 5,  // X2
    kColWidth = 6,   // Y2
    kColFont = 7,
    kColFontColour = 8,
    kColFontSize = 9,
    kColBackColour = 10,
    kColThrough = 11,
    kColAutoSize = 12,
    kColLock = 13,
};

// Adding stops at this many grid rows, the title row included (398 parts).
inline constexpr int kMaxAddedGridRows = 399;

// "はい" and "いいえ" in code page 932.
extern const QByteArray kEditorYes;
extern const QByteArray kEditorNo;

// A part row of 14 empty cells.
QByteArrayList emptyPartRow();

// The grid a new editor starts with: one part row whose ID is "1".
EditorRows initialEditorRows();

// "部品追加": appends a row whose ID is its row number and whose position, size, colour and
// font size cells are "0". Nothing happens once the grid has kMaxAddedGridRows rows.
bool addPartRow(EditorRows& rows);

// "部品削除": removes the last part row while there are at least two.
bool removeLastPartRow(EditorRows& rows);

// Context menu "挿入": for row 2 or below, an empty row (no ID, no defaults) is put in at r
// and the rows from r on move down. The grid never grows beyond kMaxListedRecords rows.
bool insertPartRow(EditorRows& rows, int r);

// Context menu "削除": for row 2 or below, the rows below r move up over it and an empty row
// is put at the end, so the number of rows stays. Returns the row then selected (r - 1).
std::optional<int> deletePartRow(EditorRows& rows, int r);

// Context menu "クリア": every cell of part row r becomes empty.
bool clearPartRow(EditorRows& rows, int r);

// Context menu "上へ" (row 2 or below) and "下へ" (any part row but the last): the row
// exchanges its content with the one above or below. IDs travel with their rows.
bool movePartRowUp(EditorRows& rows, int r);
bool movePartRowDown(EditorRows& rows, int r);

// A row dragged from grid row `from` to grid row `to` (both part rows): the rows between
// close up and the dragged row lands at `to`.
bool movePartRow(EditorRows& rows, int from, int to);

// Before the preview is drawn every empty cell of the background colour, the position and
// size, the text colour and the font size becomes "0", so a saved file never holds an empty
// position of a row that was drawn.
void fillEmptyNumberCells(EditorRows& rows);

// The editor counts a yes/no cell as yes when its first four bytes are "はい".
bool editorSaysYes(const QByteArray& cell);

// A number cell as the editor reads it for drawing: whole numbers (decimal, or hexadecimal
// after "0x" or "$"), limited to +-kMaxRecordNumber; any other text gives nullopt.
std::optional<int> cellNumber(const QByteArray& cell);

// The rectangle that a row stands for: left = Y1, top = X1, width = Y2, height = X2. Cells
// that are not numbers count as 0.
QRect partRectangle(const QByteArrayList& row);

// The colour whose red, green and blue are those of `colour` inverted.
ColorValue invertedColour(ColorValue colour);

// Fills each row's rectangle with its background colour and frames it one pixel inside in
// the inverted colour, rows in order so that later rows lie above earlier ones (as on the
// display machine). Cells that are not numbers count as 0.
void drawPartRectangles(QImage& picture, const EditorRows& rows);

// A part's rectangle in display pixels as the grid holds it.
struct PartRect {
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
    friend bool operator==(const PartRect&, const PartRect&) = default;
};

// The rectangle between the points where a drag on the preview started and ended, in
// preview pixels; one preview pixel is two display pixels. Both points are first kept
// inside the preview's picture area of `area` size, and the rectangle is the same whichever
// corner the drag started from, so that its height and width are never negative.
PartRect dragRectangle(QPoint start, QPoint end, QSize area);

// A point kept inside an area of `area` size (0..width, 0..height).
QPoint keepInside(QPoint point, QSize area);

// The display resolution of the screen-size choice: 640 x 480 for 0 or none (-1),
// 800 x 600 for 1, 1024 x 768 for 2, `current` for any other choice.
QSize previewScreenSize(int choice, QSize current);

// Height of the preview's sample caption strip at display size: 2 * |(font * -ppi) / 72| in
// integer arithmetic, 0 while the strip is off. The font size is limited to 1..300 first.
int previewStripHeight(bool stripOn, int fontSize, int pixelsPerInch);

// Where the preview's picture and caption strip go, at half the display size.
struct PreviewLayout {
    QSize window;   // the preview window
    QRect picture;  // Panel1
    QRect strip;    // StrFlame
};
PreviewLayout previewLayout(QSize screen, int stripHeight);

}  // namespace zul
