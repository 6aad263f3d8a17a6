#include "model/worksheet.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "platform/errors.h"
#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

class WorksheetTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Loads `bytes` from a file and returns the rows' data cells up to the last non-empty one.
    void load(const QByteArray& bytes) {
        test::writeAll(path(QStringLiteral("in.csv")), bytes);
        ASSERT_TRUE(sheet_.loadFile(path(QStringLiteral("in.csv"))));
    }

    QByteArrayList data(int row) const {
        QByteArrayList cells;
        for (int col = 1; col < Worksheet::kColumns; ++col) {
            cells.append(sheet_.cell(col, row));
        }
        while (!cells.isEmpty() && cells.back().isEmpty()) {
            cells.removeLast();
        }
        return cells;
    }

    // The saved file's lines (without their CR LF).
    QByteArrayList savedLines(const QString& name = QStringLiteral("out.csv")) {
        QString error;
        EXPECT_TRUE(sheet_.saveFile(path(name), &error)) << error.toStdString();
        const QByteArray bytes = test::readAll(path(QStringLiteral("out.csv")));
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        QByteArrayList lines = bytes.split('\n');
        lines.removeLast();
        for (QByteArray& line : lines) {
            EXPECT_TRUE(line.endsWith('\r'));
            line.chop(1);
        }
        return lines;
    }

    static QByteArray commas(int n) { return QByteArray(n, ','); }

    QTemporaryDir dir_;
    Worksheet sheet_;
};

}  // namespace

TEST_F(WorksheetTest, StartsWithHeadingsAndEmptyCells) {
    EXPECT_EQ(sheet_.cell(0, 0), "");
    EXPECT_EQ(sheet_.cell(1, 0), "1");
    EXPECT_EQ(sheet_.cell(199, 0), "199");
    EXPECT_EQ(sheet_.cell(0, 1), "1");
    EXPECT_EQ(sheet_.cell(0, 199), "199");
    EXPECT_EQ(sheet_.cell(199, 199), "");
    EXPECT_EQ(sheet_.rowCommaText(7), "7" + commas(199));
}

TEST_F(WorksheetTest, IndexesOutsideTheGridThrow) {
    EXPECT_THROW(sheet_.cell(200, 1), ZulError);
    EXPECT_THROW(sheet_.cell(1, -1), ZulError);
    EXPECT_THROW(sheet_.setCell(1, 200, "x"), ZulError);
    EXPECT_THROW(sheet_.setRowCommaText(200, "200,a"), ZulError);
    EXPECT_THROW(sheet_.rowCommaText(200), ZulError);
}

TEST_F(WorksheetTest, RowCommaTextReplacesTheWholeRow) {
    for (int col = 1; col <= 5; ++col) {
        sheet_.setCell(col, 3, "old");
    }
    sheet_.setRowCommaText(3, "3,\"a b\",,c");
    EXPECT_EQ(sheet_.cell(0, 3), "3");
    EXPECT_EQ(data(3), QByteArrayList({"a b", " ", "c"}));
    EXPECT_EQ(sheet_.rowCommaText(3), "3,\"a b\",\" \",c" + commas(196));

    // Fields beyond the last column are dropped.
    sheet_.setRowCommaText(4, "4" + QByteArray(",x").repeated(250));
    EXPECT_EQ(data(4), QByteArrayList(199, "x"));
}

TEST_F(WorksheetTest, SignalsOnlyRowsThatChange) {
    QSignalSpy spy(&sheet_, &Worksheet::changed);
    sheet_.setCell(2, 5, "x");
    sheet_.setCell(2, 5, "x");
    sheet_.setRowCommaText(6, "6");  // already so
    sheet_.setRowCommaText(6, "6,y");
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 5);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 6);
}

TEST_F(WorksheetTest, ClearEmptiesDataAndRewritesHeadings) {
    sheet_.setRowCommaText(1, "x,a,b");
    sheet_.setCell(7, 0, "seven");
    sheet_.setCell(3, 199, "z");
    sheet_.clear();
    EXPECT_EQ(sheet_.cell(0, 1), "1");
    EXPECT_TRUE(data(1).isEmpty());
    EXPECT_EQ(sheet_.cell(7, 0), "7");
    EXPECT_TRUE(data(199).isEmpty());
}

TEST_F(WorksheetTest, LoadFillsRowsFromLinesAndKeepsTheRowsBeyond) {
    sheet_.setRowCommaText(3, "3,keep");
    sheet_.setRowCommaText(2, "2,x,y,z,w");
    load("a,b,c\r\n1,2,3\r\n");
    EXPECT_EQ(data(1), QByteArrayList({"a", "b", "c"}));
    EXPECT_EQ(data(2), QByteArrayList({"1", "2", "3"}));
    EXPECT_EQ(data(3), QByteArrayList({"keep"}));
    EXPECT_EQ(sheet_.cell(0, 2), "2");
}

TEST_F(WorksheetTest, LoadSplitsFieldsByTheCommaTextRules) {
    load(sj("a b,c\r\n\"a b\",c\r\na,,b\r\n表,\"ｱ,ｲ\"\r\n"));
    EXPECT_EQ(data(1), QByteArrayList({"a", "b", "c"}));
    EXPECT_EQ(data(2), QByteArrayList({"a b", "c"}));
    EXPECT_EQ(data(3), QByteArrayList({"a", " ", "b"}));
    EXPECT_EQ(data(4), QByteArrayList({sj("表"), sj("ｱ,ｲ")}));
}

TEST_F(WorksheetTest, ACommaBeforeTheLineEndAddsNoCellButOneAtTheEndOfTheFileDoes) {
    // The line keeps its line end, which separates like a blank: the comma before it is
    // followed by a separator, not by the end of the text.
    load("a,b,\r\na,b,\na,b,");
    EXPECT_EQ(data(1), QByteArrayList({"a", "b"}));
    EXPECT_EQ(data(2), QByteArrayList({"a", "b"}));
    EXPECT_EQ(data(3), QByteArrayList({"a", "b", " "}));
}

TEST_F(WorksheetTest, LoadReadsAtMost199LinesAndLetsEventsRunAfterEachRow) {
    QByteArray file;
    for (int i = 1; i <= 250; ++i) {
        file += "L" + QByteArray::number(i) + "\r\n";
    }
    test::writeAll(path(QStringLiteral("long.csv")), file);
    int calls = 0;
    ASSERT_TRUE(sheet_.loadFile(path(QStringLiteral("long.csv")), [&] { ++calls; }));
    EXPECT_EQ(calls, 199);
    EXPECT_EQ(data(1), QByteArrayList({"L1"}));
    EXPECT_EQ(data(199), QByteArrayList({"L199"}));
}

TEST_F(WorksheetTest, ALineLongerThan2047BytesContinuesInTheNextRow) {
    load(QByteArray(3000, 'x') + "\r\nnext\r\n");
    EXPECT_EQ(data(1), QByteArrayList({QByteArray(2047, 'x')}));
    EXPECT_EQ(data(2), QByteArrayList({QByteArray(953, 'x')}));
    EXPECT_EQ(data(3), QByteArrayList({"next"}));

    // The cut does not split a double-byte character.
    sheet_.clear();
    load(QByteArray(2046, 'y') + sj("表") + "\r\n");
    EXPECT_EQ(data(1), QByteArrayList({QByteArray(2046, 'y')}));
    EXPECT_EQ(data(2), QByteArrayList({sj("表")}));
}

TEST_F(WorksheetTest, AFileThatCannotBeOpenedChangesNothing) {
    sheet_.setRowCommaText(1, "1,keep");
    QSignalSpy spy(&sheet_, &Worksheet::changed);
    EXPECT_FALSE(sheet_.loadFile(path(QStringLiteral("missing.csv"))));
    EXPECT_FALSE(sheet_.loadFile(dir_.path()));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(data(1), QByteArrayList({"keep"}));
}

TEST_F(WorksheetTest, SavingAnEmptySheetWrites199LinesOf198Commas) {
    EXPECT_EQ(savedLines(), QByteArrayList(199, commas(198)));
}

TEST_F(WorksheetTest, SaveWritesEveryRowPaddedTo199Fields) {
    load(sj("x,y\r\n表,ｱ\r\na,,b\r\n"));
    sheet_.setCell(5, 10, "a \"q\"");
    const QByteArrayList lines = savedLines();
    ASSERT_EQ(lines.size(), 199);
    EXPECT_EQ(lines[0], "x,y" + commas(197));
    EXPECT_EQ(lines[1], sj("表,ｱ") + commas(197));
    EXPECT_EQ(lines[2], "a,\" \",b" + commas(196));
    EXPECT_EQ(lines[9], commas(4) + "\"a \"\"q\"\"\"" + commas(194));
    EXPECT_EQ(lines[198], commas(198));

    // Loaded again, the padding's empty fields between commas become single spaces; only
    // the comma before the line end adds no cell.
    Worksheet copy;
    ASSERT_TRUE(copy.loadFile(path(QStringLiteral("out.csv"))));
    EXPECT_EQ(copy.rowCommaText(1), "1,x,y" + QByteArray(",\" \"").repeated(196) + ",");
    EXPECT_EQ(copy.cell(5, 10), "a \"q\"");
}

TEST_F(WorksheetTest, SaveCutsARowTo2047BytesSoThatItLoadsBackIntoOneRow) {
    sheet_.setCell(1, 1, QByteArray(3000, 'x'));
    sheet_.setCell(1, 2, "second");
    const QByteArrayList lines = savedLines();
    EXPECT_EQ(lines[0], QByteArray(2045, 'x'));  // "1," and 2045 bytes of the cell
    EXPECT_EQ(lines[1], "second" + commas(198));
}

TEST_F(WorksheetTest, SaveForcesTheCsvExtension) {
    EXPECT_EQ(savedLines(QStringLiteral("out.txt")).size(), 199);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.txt"))));
    QFile::remove(path(QStringLiteral("out.csv")));
    EXPECT_EQ(savedLines(QStringLiteral("out")).size(), 199);
}

TEST_F(WorksheetTest, AFailedSaveReportsWhy) {
    QString error;
    EXPECT_FALSE(sheet_.saveFile(path(QStringLiteral("no/such/dir/x.csv")), &error));
    EXPECT_FALSE(error.isEmpty());
    // A folder in the way of the file.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("taken.csv")));
    error.clear();
    EXPECT_FALSE(sheet_.saveFile(path(QStringLiteral("taken.txt")), &error));
    EXPECT_FALSE(error.isEmpty());
}
