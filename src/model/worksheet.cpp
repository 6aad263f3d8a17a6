#include "model/worksheet.h"

#include <utility>

#include "platform/comma_text.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_extension.h"
#include "platform/file_write.h"
#include "platform/regular_file.h"

namespace zul {
namespace {

constexpr int kDataRows = Worksheet::kRows - 1;

// Enough of a file for 199 rows: each row takes at most kMaxLineBytes bytes once CR LF is
// read as a single line feed, so at most twice that of the file's own bytes, plus the line
// feed of a CR LF pair cut at the end.
constexpr qint64 kMaxFileBytesRead = 2LL * kDataRows * Worksheet::kMaxLineBytes + 1;

// A file opened as text: CR LF pairs read as a single line feed.
QByteArray textModeBytes(const QByteArray& raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) {
            out += raw[i];
        }
    }
    return out;
}

// The next line from `pos` with its line feed, at most kMaxLineBytes bytes; the rest of a
// longer line is the next one. A cut never splits a double-byte character.
QByteArray nextLine(QByteArrayView text, qsizetype& pos) {
    constexpr qsizetype kMax = Worksheet::kMaxLineBytes;
    const QByteArrayView rest = text.sliced(pos);
    const qsizetype feed = rest.first(qMin(rest.size(), kMax)).indexOf('\n');
    // The byte after the limit tells whether the last byte within it starts a character.
    const QByteArray line = feed >= 0
                                ? rest.first(feed + 1).toByteArray()
                                : cp932::truncate(rest.first(qMin(rest.size(), kMax + 1)), kMax);
    pos += line.size();
    return line;
}

QByteArrayList emptyRow() {
    return QByteArrayList(Worksheet::kColumns);
}

// The saved form of a row: its comma text cut to kMaxLineBytes bytes (so that the line
// reads back into one row), without the heading field.
QByteArray fileLine(const QByteArray& commaText) {
    const QByteArray text = cp932::truncate(commaText, Worksheet::kMaxLineBytes);
    const qsizetype comma = text.indexOf(',');
    return comma < 0 ? QByteArray() : text.sliced(comma + 1);
}

}  // namespace

Worksheet::Worksheet(QObject* parent) : QObject(parent), rows_(kRows, emptyRow()) {
    writeHeadings();
}

void Worksheet::checkIndex(int col, int row) {
    if (col < 0 || col >= kColumns || row < 0 || row >= kRows) {
        throw ZulError(QStringLiteral("グリッドのインデックスが範囲を超えています（列 %1、行 %2）")
                           .arg(col)
                           .arg(row));
    }
}

const QByteArray& Worksheet::cell(int col, int row) const {
    checkIndex(col, row);
    return rows_[row][col];
}

void Worksheet::setCell(int col, int row, const QByteArray& text) {
    checkIndex(col, row);
    if (rows_[row][col] != text) {
        rows_[row][col] = text;
        emit changed(row);
    }
}

void Worksheet::replaceRow(int row, QByteArrayList cells) {
    if (rows_[row] != cells) {
        rows_[row] = std::move(cells);
        emit changed(row);
    }
}

QByteArray Worksheet::rowCommaText(int row) const {
    checkIndex(0, row);
    return toCommaText(rows_[row]);
}

void Worksheet::setRowCommaText(int row, QByteArrayView text) {
    checkIndex(0, row);
    QByteArrayList cells = fromCommaText(text, kColumns);
    while (cells.size() < kColumns) {
        cells.append(QByteArray());
    }
    replaceRow(row, std::move(cells));
}

void Worksheet::clear() {
    for (int row = 1; row < kRows; ++row) {
        replaceRow(row, emptyRow());
    }
    writeHeadings();
}

void Worksheet::writeHeadings() {
    QByteArrayList headingRow = rows_[0];
    for (int i = 1; i < kRows; ++i) {
        headingRow[i] = QByteArray::number(i);
    }
    replaceRow(0, std::move(headingRow));
    for (int row = 1; row < kRows; ++row) {
        setCell(0, row, QByteArray::number(row));
    }
}

bool Worksheet::loadFile(const QString& path, const std::function<void()>& afterEachRow,
                         QString* refusal) {
    const FileReadResult file = readRegularFile(path, kMaxFileBytesRead, Oversize::ReadPrefix);
    if (!file.ok()) {
        if (refusal != nullptr && file.status != FileReadStatus::Missing) {
            *refusal = file.reason;
        }
        return false;
    }
    const QByteArray text = textModeBytes(file.bytes);

    // The line keeps its line feed, which separates as a blank does: a comma just before
    // the line end therefore adds no field, while one at the end of an unterminated last
    // line does.
    qsizetype pos = 0;
    for (int row = 1; row < kRows && pos < text.size(); ++row) {
        const QByteArray line = nextLine(text, pos);
        setRowCommaText(row, QByteArray::number(row) + ',' + line);
        if (afterEachRow) {
            afterEachRow();
        }
    }
    return true;
}

bool Worksheet::saveFile(const QString& path, QString* error) const {
    QByteArray out;
    for (int row = 1; row < kRows; ++row) {
        out += fileLine(rowCommaText(row));
        out += "\r\n";
    }
    return replaceFile(replaceExtension(path, u".csv"), out, error);
}

}  // namespace zul
