#include "content/parts_editing.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/number_text.h"

namespace zul {

const QByteArray kEditorYes("\x82\xcd\x82\xa2");
const QByteArray kEditorNo("\x82\xa2\x82\xa2\x82\xa6");

namespace {

int partRowCount(const EditorRows& rows) {
    return static_cast<int>(rows.size());
}

bool isPartRow(const EditorRows& rows, int r) {
    return r >= 1 && r <= partRowCount(rows);
}

QByteArrayList& rowAt(EditorRows& rows, int r) {
    return rows[static_cast<std::size_t>(r - 1)];
}

// The cell of a row, missing cells read as empty.
QByteArray cellOf(const QByteArrayList& row, int column) {
    return row.value(column);
}

int numberOrZero(const QByteArrayList& row, int column) {
    return cellNumber(cellOf(row, column)).value_or(0);
}

}  // namespace

QByteArrayList emptyPartRow() {
    QByteArrayList row;
    row.reserve(kPartsKeyCount);
    for (int i = 0; i < kPartsKeyCount; ++i) {
        row.append(QByteArray());
    }
    return row;
}

EditorRows initialEditorRows() {
    QByteArrayList row = emptyPartRow();
    row[kColId] = "1";
    return {row};
}

bool addPartRow(EditorRows& rows) {
    if (partRowCount(rows) + 1 >= kMaxAddedGridRows) {
        return false;
    }
    QByteArrayList row = emptyPartRow();
    row[kColId] = QByteArray::number(partRowCount(rows) + 1);
    for (int column :
         {kColTop, kColLeft, kColHeight, kColWidth, kColFontColour, kColFontSize, kColBackColour}) {
        row[column] = "0";
    }
    rows.push_back(row);
    return true;
}

bool removeLastPartRow(EditorRows& rows) {
    if (partRowCount(rows) < 2) {
        return false;
    }
    rows.pop_back();
    return true;
}

bool insertPartRow(EditorRows& rows, int r) {
    if (r < 2 || !isPartRow(rows, r) || partRowCount(rows) >= kMaxListedRecords) {
        return false;
    }
    rows.insert(rows.begin() + (r - 1), emptyPartRow());
    return true;
}

std::optional<int> deletePartRow(EditorRows& rows, int r) {
    if (r < 2 || !isPartRow(rows, r)) {
        return std::nullopt;
    }
    rows.erase(rows.begin() + (r - 1));
    rows.push_back(emptyPartRow());
    return r - 1;
}

bool clearPartRow(EditorRows& rows, int r) {
    if (!isPartRow(rows, r)) {
        return false;
    }
    rowAt(rows, r) = emptyPartRow();
    return true;
}

bool movePartRowUp(EditorRows& rows, int r) {
    if (r < 2 || !isPartRow(rows, r)) {
        return false;
    }
    std::swap(rowAt(rows, r), rowAt(rows, r - 1));
    return true;
}

bool movePartRowDown(EditorRows& rows, int r) {
    if (!isPartRow(rows, r) || r == partRowCount(rows)) {
        return false;
    }
    std::swap(rowAt(rows, r), rowAt(rows, r + 1));
    return true;
}

bool movePartRow(EditorRows& rows, int from, int to) {
    if (!isPartRow(rows, from) || !isPartRow(rows, to) || from == to) {
        return false;
    }
    const auto first = rows.begin();
    if (from < to) {
        std::rotate(first + (from - 1), first + from, first + to);
    } else {
        std::rotate(first + (to - 1), first + (from - 1), first + from);
    }
    return true;
}

void fillEmptyNumberCells(EditorRows& rows) {
    for (QByteArrayList& row : rows) {
        while (row.size() < kPartsKeyCount) {
            row.append(QByteArray());
        }
        for (int column : {kColBackColour, kColTop, kColLeft, kColHeight, kColWidth, kColFontColour,
                           kColFontSize}) {
            if (row[column].isEmpty()) {
                row[column] = "0";
            }
        }
    }
}

bool editorSaysYes(const QByteArray& cell) {
    return cell.startsWith(kEditorYes);
}

std::optional<int> cellNumber(const QByteArray& cell) {
    const std::optional<qint32> n = parseInteger(cell);
    if (!n) {
        return std::nullopt;
    }
    return std::clamp<int>(*n, -kMaxRecordNumber, kMaxRecordNumber);
}

QRect partRectangle(const QByteArrayList& row) {
    return {numberOrZero(row, kColLeft), numberOrZero(row, kColTop), numberOrZero(row, kColWidth),
            numberOrZero(row, kColHeight)};
}

ColorValue invertedColour(ColorValue colour) {
    return colour ^ 0x00FFFFFF;
}

void drawPartRectangles(QImage& picture, const EditorRows& rows) {
    QPainter painter(&picture);
    for (const QByteArrayList& row : rows) {
        const QRect rect = partRectangle(row);
        if (rect.isEmpty()) {
            continue;
        }
        // Colours are whole 32-bit numbers, not limited as positions are.
        const ColorValue colour = parseInteger(cellOf(row, kColBackColour)).value_or(kColorBlack);
        painter.fillRect(rect, toQColor(colour));
        // The frame runs from (left + 1, top + 1) to (right - 2, bottom - 2), where right and
        // bottom lie just outside the rectangle.
        const QRect frame(rect.left() + 1, rect.top() + 1, rect.width() - 3, rect.height() - 3);
        if (frame.width() > 0 && frame.height() > 0) {
            painter.setPen(QPen(toQColor(invertedColour(colour)), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(frame.adjusted(0, 0, -1, -1));
        }
    }
}

QPoint keepInside(QPoint point, QSize area) {
    return {std::clamp(point.x(), 0, std::max(0, area.width())),
            std::clamp(point.y(), 0, std::max(0, area.height()))};
}

PartRect dragRectangle(QPoint start, QPoint end, QSize area) {
    const QPoint a = keepInside(start, area);
    const QPoint b = keepInside(end, area);
    PartRect r;
    r.top = 2 * std::min(a.y(), b.y());
    r.left = 2 * std::min(a.x(), b.x());
    r.height = 2 * std::max(a.y(), b.y()) - r.top;
    r.width = 2 * std::max(a.x(), b.x()) - r.left;
    return r;
}

QSize previewScreenSize(int choice, QSize current) {
    switch (choice) {
        case -1:
        case 0:
            return {640, 480};
        case 1:
            return {800, 600};
        case 2:
            return {1024, 768};
        default:
            return current;
    }
}

int previewStripHeight(bool stripOn, int fontSize, int pixelsPerInch) {
    if (!stripOn) {
        return 0;
    }
    const int size = std::clamp(fontSize, 1, 300);
    const int ppi = std::clamp(pixelsPerInch, 1, 10000);
    return 2 * std::abs((size * -ppi) / 72);
}

PreviewLayout previewLayout(QSize screen, int stripHeight) {
    const int w = screen.width();
    const int h = screen.height();
    const int a = std::clamp(stripHeight, 0, h);
    PreviewLayout out;
    out.window = {w / 2, h / 2};
    out.picture = {0, 0, w / 2, (h - a) / 2};
    // The strip reaches from the picture's bottom edge as far as the window's height; the
    // window cuts it at its bottom edge.
    out.strip = {0, (h - a) / 2, w / 2, h / 2};
    return out;
}

}  // namespace zul
