#include "content/parts_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

class PartsFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Writes a file from UTF-8 lines, in code page 932 with CR LF.
    QString file(const QString& name, std::initializer_list<const char*> lines) {
        QByteArray bytes;
        for (const char* line : lines) {
            bytes += sj(line) + "\r\n";
        }
        test::writeAll(path(name), bytes);
        return path(name);
    }

    QTemporaryDir dir_;
};

QByteArrayList row(std::initializer_list<const char*> utf8) {
    QByteArrayList cells;
    for (const char* c : utf8) {
        cells.append(sj(c));
    }
    return cells;
}

}  // namespace

TEST_F(PartsFiles, DisplayTakesAtMost400RecordsWhileTheEditorReadsThemAll) {
    QByteArray bytes = "[List]\r\nRecordCount=450\r\n";
    for (int i = 1; i <= 450; ++i) {
        bytes +=
            "[Parts-" + QByteArray::number(i) + "]\r\nPName=p" + QByteArray::number(i) + "\r\n";
    }
    const QString p = path(QStringLiteral("many.rp1"));
    test::writeAll(p, bytes);
    const PartsFileReader reader(p);
    EXPECT_EQ(reader.count(), kMaxParts);
    const std::vector<PartRecord> parts = readPartsForDisplay(p);
    ASSERT_EQ(parts.size(), 400u);
    EXPECT_EQ(parts.front().PName, "p1");
    EXPECT_EQ(parts.back().PName, "p400");

    const std::vector<QByteArrayList> rows = readPartsForEditor(p);
    ASSERT_EQ(rows.size(), 450u);
    EXPECT_EQ(rows[449][1], "p450");
}

// The display machine's records are the sections that the file holds; the editor shows a
// row for every number up to the count.
TEST_F(PartsFiles, DisplayReadsOnlyTheRecordsThatExist) {
    const QString p = file(
        QStringLiteral("gaps.rp1"),
        {"[List]", "RecordCount=450", "[Parts-400]", "PName=last", "[Parts-401]", "PName=beyond"});
    const std::vector<PartRecord> parts = readPartsForDisplay(p);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts.front().PName, "last");

    const std::vector<QByteArrayList> rows = readPartsForEditor(p);
    ASSERT_EQ(rows.size(), 450u);
    EXPECT_EQ(rows[400][1], "beyond");
    EXPECT_EQ(rows[0], QByteArrayList(kPartsKeyCount));
}

TEST_F(PartsFiles, ARecordWithoutKeysIsATransparentSelfSizingPartAtTheTopLeft) {
    const PartRecord p = readPartsForDisplay(file(QStringLiteral("bare.rp1"),
                                                  {"[List]", "RecordCount=1", "[Parts-1]"}))
                             .at(0);
    EXPECT_EQ(p.PName, " ");
    EXPECT_EQ(p.Value, " ");
    EXPECT_EQ(p.X1, 0);
    EXPECT_EQ(p.Y1, 0);
    EXPECT_EQ(p.X2, 10);
    EXPECT_EQ(p.Y2, 10);
    EXPECT_EQ(p.width, 768);
    EXPECT_EQ(p.height, 1024);
    EXPECT_EQ(p.FName, sj("ＭＳゴシック"));
    EXPECT_EQ(p.FColor, 1665570);
    EXPECT_EQ(p.FSize, 10);
    EXPECT_EQ(p.BColor, 0);
    EXPECT_TRUE(p.Through);
    EXPECT_TRUE(p.AutoSize);
    EXPECT_FALSE(p.change_lock);
}

TEST_F(PartsFiles, AnEmptyValueIsEmptyTextNotTheDefault) {
    const PartRecord p =
        readPartsForDisplay(file(QStringLiteral("empty.rp1"),
                                 {"[list]", "recordcount=1", "[PARTS-1]", "PName=", "Value=", "X1=",
                                  "Y1=", "X2=", "Y2=", "width=", "height=", "FName=", "FColor=",
                                  "FSize=", "BColor=", "Through=", "AutoSize=", "change_lock="}))
            .at(0);
    EXPECT_EQ(p.PName, "");
    EXPECT_EQ(p.Value, "");
    EXPECT_EQ(p.FName, "");
    // Numbers cannot be read from the empty text and take their defaults; yes/no values
    // are no, so the part is opaque and keeps its stored size.
    PartRecord expected;
    expected.PName = expected.Value = expected.FName = "";
    expected.Through = expected.AutoSize = false;
    EXPECT_EQ(p, expected);
}

TEST_F(PartsFiles, ReadsNumbersAndYesNoValues) {
    const PartRecord p =
        readPartsForDisplay(
            file(QStringLiteral("n.rp1"),
                 {"[List]", "RecordCount=0x1", "[Parts-1]", "PName=先攻得点", "X1=0x10", "Y1=$10",
                  "X2=12abc", "Y2= 300 ", "width=384", "height=3.5", "FColor=-2147483643",
                  "FSize=\"20\"", "BColor=$FF00", "Through=いいえ", "AutoSize=はい ",
                  "change_lock=はい"}))
            .at(0);
    EXPECT_EQ(p.PName, sj("先攻得点"));
    EXPECT_EQ(p.X1, 16);
    EXPECT_EQ(p.Y1, 16);
    EXPECT_EQ(p.X2, 10);  // not a whole number: default
    EXPECT_EQ(p.Y2, 300);
    EXPECT_EQ(p.width, 384);
    EXPECT_EQ(p.height, 1024);
    EXPECT_EQ(p.FColor, static_cast<ColorValue>(0x80000005u));
    EXPECT_EQ(p.FSize, 20);
    EXPECT_EQ(p.BColor, 0xFF00);
    EXPECT_FALSE(p.Through);
    EXPECT_TRUE(p.AutoSize);
    EXPECT_TRUE(p.change_lock);
}

TEST_F(PartsFiles, OnlyTheExactYesTextIsYes) {
    const struct {
        const char* value;
        bool yes;
    } cases[] = {
        {"はい", true}, {"\"はい\"", true}, {"ハイ", false},   {"はいはい", false},
        {"yes", false}, {"1", false},       {"いいえ", false},
    };
    for (const auto& c : cases) {
        const QString p = file(QStringLiteral("yn.rp1"), {"[List]", "RecordCount=1", "[Parts-1]"});
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("Through=" + sj(c.value) + "\r\n");
        f.close();
        EXPECT_EQ(readPartsForDisplay(p).at(0).Through, c.yes) << c.value;
    }
}

TEST_F(PartsFiles, RecordCountsOfTheReaders) {
    const QString missing = path(QStringLiteral("missing.rp1"));
    EXPECT_EQ(PartsFileReader(missing).count(), 0);
    EXPECT_TRUE(readPartsForDisplay(missing).empty());
    EXPECT_TRUE(readPartValueOperands(missing).isEmpty());
    EXPECT_EQ(readPartsForEditor(missing), std::vector<QByteArrayList>{QByteArrayList(14)});
    EXPECT_EQ(readPartValuesForConsole(missing), std::vector<QByteArrayList>{QByteArrayList(4)});

    const QString negative = file(QStringLiteral("neg.rp1"), {"[List]", "RecordCount=-3"});
    EXPECT_TRUE(readPartsForDisplay(negative).empty());
    EXPECT_TRUE(readPartsForEditor(negative).empty());
    // A damaged count does not fill memory with empty rows, nor run records that are not there.
    const QString huge = file(QStringLiteral("huge.rv1"), {"[List]", "RecordCount=2147483647"});
    EXPECT_EQ(readPartValuesForConsole(huge).size(), std::size_t(kMaxListedRecords));
    EXPECT_TRUE(readPartValueOperands(huge).isEmpty());
}

TEST_F(PartsFiles, ValueRecordsWithoutColoursTurnPartsWhiteOnBlack) {
    const QString p =
        file(QStringLiteral("v.rv1"),
             {"[List]", "RecordCount=4", "[Parts-1]", "PName=score", "Value=12", "[Parts-2]",
              "PName=score", "Value=12", "FColor=", "BColor=", "[Parts-3]", "PName=名前",
              "Value=山田", "FColor=255", "BColor=0x10", "[Parts-4]"});
    EXPECT_EQ(readPartValueOperands(p),
              QByteArrayList({"score,12,16777215,0", "score,12,16777215,0", sj("名前,山田,255,16"),
                              " , ,16777215,0"}));
    EXPECT_EQ(readPartValuesForConsole(p),
              (std::vector<QByteArrayList>{{"score", "12", "", ""},
                                           {"score", "12", "", ""},
                                           row({"名前", "山田", "255", "0x10"}),
                                           {"", "", "", ""}}));
}

TEST_F(PartsFiles, WritesAValueFileWithTheKeysInOrder) {
    QString error;
    QString written;
    ASSERT_TRUE(writePartValuesFile(path(QStringLiteral("v.txt")),
                                    {row({"先攻", "3", "255", ""}), {"b"}}, &error, &written))
        << error.toStdString();
    EXPECT_EQ(written, path(QStringLiteral("v.rv1")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("v.txt"))));
    EXPECT_EQ(test::readAll(written),
              sj("[List]\r\nRecordCount=2\r\n"
                 "[Parts-1]\r\nPName=先攻\r\nValue=3\r\nFColor=255\r\nBColor=\r\n"
                 "[Parts-2]\r\nPName=b\r\nValue=\r\nFColor=\r\nBColor=\r\n"));
}

TEST_F(PartsFiles, WritesADefinitionFileThatReadsBack) {
    const std::vector<QByteArrayList> rows = {
        row({"1", "先攻得点", "0", "100", "200", "50", "80", "ＭＳ Ｐゴシック", "255", "24",
             "16777215", "いいえ", "はい", "いいえ"}),
        row({"2", "表示", "ソ十", "", "", "", "", "", "", "", "", "", "", "はい"}),
    };
    QString written;
    ASSERT_TRUE(writePartsFile(path(QStringLiteral("p")), rows, nullptr, &written));
    EXPECT_EQ(written, path(QStringLiteral("p.rp1")));
    EXPECT_EQ(readPartsForEditor(written), rows);

    const QByteArray bytes = test::readAll(written);
    EXPECT_TRUE(
        bytes.startsWith(sj("[List]\r\nRecordCount=2\r\n[Parts-1]\r\nID=1\r\nPName=先攻得点\r\n"
                            "Value=0\r\nX1=100\r\nY1=200\r\nX2=50\r\nY2=80\r\n"
                            "FName=ＭＳ Ｐゴシック\r\nFColor=255\r\nFSize=24\r\n"
                            "BColor=16777215\r\nThrough=いいえ\r\nAutoSize=はい\r\n"
                            "change_lock=いいえ\r\n[Parts-2]\r\n")))
        << bytes.toStdString();

    const std::vector<PartRecord> parts = readPartsForDisplay(written);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].Y1, 200);
    EXPECT_EQ(parts[0].FName, sj("ＭＳ Ｐゴシック"));
    EXPECT_FALSE(parts[0].Through);
    EXPECT_EQ(parts[1].X2, 10);
    EXPECT_TRUE(parts[1].change_lock);
}

TEST_F(PartsFiles, ANewFileReplacesTheOldOneWhole) {
    const QString p =
        file(QStringLiteral("p.rp1"), {"[List]", "RecordCount=3", "[Parts-1]", "PName=a",
                                       "[Parts-3]", "PName=c", "[Other]", "x=1"});
    ASSERT_TRUE(writePartsFile(p, {row({"1", "only"})}));
    const QByteArray bytes = test::readAll(p);
    EXPECT_TRUE(bytes.contains("RecordCount=1"));
    EXPECT_FALSE(bytes.contains("Parts-3"));
    EXPECT_FALSE(bytes.contains("Other"));
    EXPECT_EQ(readPartsForEditor(p).at(0).at(1), "only");
}

TEST_F(PartsFiles, AValueAProfileFileCannotHoldFailsTheSaveAndKeepsTheOldFile) {
    const QString p = file(QStringLiteral("v.rv1"), {"[List]", "RecordCount=1"});
    const QByteArray before = test::readAll(p);
    QString error;
    EXPECT_FALSE(writePartValuesFile(p, {{"a", "line\r\nbreak"}}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Value"))) << error.toStdString();
    EXPECT_EQ(test::readAll(p), before);

    error.clear();
    EXPECT_FALSE(writePartsFile(path(QStringLiteral("no/such/dir/p")), {{"1"}}, &error));
    EXPECT_FALSE(error.isEmpty());
}
