#pragma once

// The worksheet: a grid of texts, 199 rows by 199 columns of data, whose cells feed the
// "cell(" parts of the display machine. Row 0 and column 0 hold the headings (column and
// row numbers 1 to 199). Rows travel as comma text (platform/comma_text.h) whose field 0 is
// the row heading, and are stored one line per row in comma-separated files.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

namespace zul {

class Worksheet : public QObject {
    Q_OBJECT
public:
    static constexpr int kColumns = 200;  // column 0 is the row heading
    static constexpr int kRows = 200;     // row 0 is the column heading
    // Bytes of a file line that fill one row; a longer line continues in the next row.
    // Also the most of a row's comma text that a save writes.
    static constexpr int kMaxLineBytes = 2047;

    explicit Worksheet(QObject* parent = nullptr);

    // Cells are addressed column first. An index outside the grid throws ZulError.
    const QByteArray& cell(int col, int row) const;
    void setCell(int col, int row, const QByteArray& text);

    // The row's cells from column 0 on, as comma text.
    QByteArray rowCommaText(int row) const;
    // Empties the row, then fills it from column 0 with the fields of `text`; fields beyond
    // the last column are dropped.
    void setRowCommaText(int row, QByteArrayView text);

    // Empties rows 1 to 199 and writes the headings again.
    void clear();
    // Row 0: 1 to 199 in columns 1 to 199; column 0: 1 to 199 in rows 1 to 199.
    void writeHeadings();

    // Fills rows 1, 2, ... from the lines of the file, at most 199 of them; rows beyond the
    // file's last line keep their contents. `afterEachRow` runs after each row (the window
    // lets pending events run there). Returns false, changing nothing, when the file cannot
    // be read; only a regular file is read. For a file that exists but is not read (no
    // regular file, a read error) `refusal` receives the reason.
    bool loadFile(const QString& path, const std::function<void()>& afterEachRow = {},
                  QString* refusal = nullptr);

    // Writes rows 1 to 199, without their heading field, one line each with CR LF, to
    // `path` with its extension replaced by ".csv". The file is replaced in one step; on
    // failure it stays as it was and false is returned with the reason in `error`.
    bool saveFile(const QString& path, QString* error = nullptr) const;

signals:
    // The contents of the row changed (any of its cells, including the heading).
    void changed(int row);

private:
    static void checkIndex(int col, int row);
    void replaceRow(int row, QByteArrayList cells);

    std::vector<QByteArrayList> rows_;  // rows_[row][col]
};

}  // namespace zul
