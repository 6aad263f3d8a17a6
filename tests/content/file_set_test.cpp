#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "content/file_set.h"
#include "platform/errors.h"
#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

class FileSetFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

FileSet japaneseSet() {
    FileSet set;
    set.BackGround = sj("壁紙 ソ.jpg");  // "ソ" ends in the byte 0x5C
    set.TextFile = sj("テロップ.txt");
    set.SettingFile = sj("会場.rd1");
    set.FlowParts = sj("/srv/部品/得点.rp1");
    set.PartsValue = sj("得点の値.rv1");
    set.IPtalkFile = QByteArray();
    set.CSVFile = sj("進行表.csv");
    return set;
}

}  // namespace

TEST_F(FileSetFile, WritesTheSevenKeysInOrderAndReadsThemBack) {
    const FileSet set = japaneseSet();
    ASSERT_TRUE(writeFileSet(path(QStringLiteral("本番")), set));

    const QByteArray expected =
        sj("[FileSet]\r\n"
           "BackGround=壁紙 ソ.jpg\r\n"
           "TextFile=テロップ.txt\r\n"
           "SettingFile=会場.rd1\r\n"
           "FlowParts=/srv/部品/得点.rp1\r\n"
           "PartsValue=得点の値.rv1\r\n"
           "IPtalkFile=\r\n"
           "CSVFile=進行表.csv\r\n");
    EXPECT_EQ(test::readAll(path(QStringLiteral("本番.rf1"))), expected);
    EXPECT_EQ(readFileSet(path(QStringLiteral("本番.rf1"))), set);
}

TEST_F(FileSetFile, AnEmptySetWritesSevenEmptyKeys) {
    ASSERT_TRUE(writeFileSet(path(QStringLiteral("empty.rf1")), FileSet{}));
    EXPECT_EQ(test::readAll(path(QStringLiteral("empty.rf1"))),
              QByteArray("[FileSet]\r\nBackGround=\r\nTextFile=\r\nSettingFile=\r\nFlowParts=\r\n"
                         "PartsValue=\r\nIPtalkFile=\r\nCSVFile=\r\n"));
    EXPECT_EQ(readFileSet(path(QStringLiteral("empty.rf1"))), FileSet{});
}

TEST_F(FileSetFile, WritingReplacesAnExistingFileWithAFreshOne) {
    const QString file = path(QStringLiteral("set.rf1"));
    test::writeAll(file,
                   "; note\r\n[Other]\r\nA=1\r\n[FileSet]\r\nCSVFile=old.csv\r\nExtra=x\r\n"
                   "BackGround=old.jpg\r\n");
    FileSet set;
    set.CSVFile = "new.csv";
    ASSERT_TRUE(writeFileSet(file, set));
    EXPECT_EQ(test::readAll(file),
              QByteArray("[FileSet]\r\nBackGround=\r\nTextFile=\r\nSettingFile=\r\nFlowParts=\r\n"
                         "PartsValue=\r\nIPtalkFile=\r\nCSVFile=new.csv\r\n"));
}

TEST_F(FileSetFile, ReadsKeysAsTheProfileFunctionsDo) {
    // Section and key names in any case and order, blanks and quotes around values, other
    // sections, missing keys.
    const QString file = path(QStringLiteral("hand.rf1"));
    test::writeAll(file, sj("[Server]\nBaseDir=/srv\n"
                            "[fileset]\r\n"
                            "csvfile =  進行表.csv  \r\n"
                            "FLOWPARTS=\"部品.rp1\"\r\n"
                            "SettingFile=\r\n"
                            "TextFile=first.txt\r\n"
                            "TextFile=second.txt\r\n"));
    FileSet expected;
    expected.CSVFile = sj("進行表.csv");
    expected.FlowParts = sj("部品.rp1");
    expected.TextFile = "first.txt";
    EXPECT_EQ(readFileSet(file), expected);
}

TEST_F(FileSetFile, AMissingFileReadsAsAnEmptySet) {
    EXPECT_EQ(readFileSet(path(QStringLiteral("none.rf1"))), FileSet{});
    // A folder is there but is no file set: refused, not taken for an empty one.
    EXPECT_THROW(readFileSet(dir_.path()), ZulError);
}

TEST_F(FileSetFile, AFailedWriteIsReportedAndLeavesTheOldFileWhole) {
    const QString file = path(QStringLiteral("set.rf1"));
    const QByteArray old = "[FileSet]\r\nBackGround=old.jpg\r\n";
    test::writeAll(file, old);

    FileSet broken;
    broken.TextFile = "a\r\nCSVFile=injected.csv";
    QString error;
    EXPECT_FALSE(writeFileSet(file, broken, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("TextFile"))) << error.toStdString();
    EXPECT_EQ(test::readAll(file), old);

    error.clear();
    EXPECT_FALSE(writeFileSet(path(QStringLiteral("missing/set.rf1")), FileSet{}, &error));
    EXPECT_TRUE(error.contains(path(QStringLiteral("missing/set.rf1")))) << error.toStdString();
}

TEST_F(FileSetFile, WritingForcesTheExtension) {
    ASSERT_TRUE(writeFileSet(path(QStringLiteral("show.txt")), FileSet{}));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("show.rf1"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("show.txt"))));
}

TEST(WithExtension, ReplacesOrAddsTheExtensionOfTheFileName) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/srv/show/set", "/srv/show/set.rf1"},
        {"/srv/show/set.txt", "/srv/show/set.rf1"},
        {"/srv/show/set.RF1", "/srv/show/set.rf1"},
        {"/srv/show/set.tar.gz", "/srv/show/set.tar.rf1"},
        {"/srv/show/set.", "/srv/show/set.rf1"},
        {"/srv/show.d/set", "/srv/show.d/set.rf1"},
        {"/srv/show/.hidden", "/srv/show/.hidden.rf1"},
        {"会場セット.テキスト", "会場セット.rf1"},
        {"set", "set.rf1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withExtension(QString::fromUtf8(c.path), u"rf1"), QString::fromUtf8(c.expected))
            << c.path;
    }
}
