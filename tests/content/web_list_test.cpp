#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "content/web_list.h"
#include "platform/errors.h"
#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

QByteArrayList list(std::initializer_list<const char*> utf8Lines) {
    QByteArrayList out;
    for (const char* line : utf8Lines) {
        out << sj(line);
    }
    return out;
}

class ListFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(ListFolder, SplitsLinesAtEveryKindOfLineEnd) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QByteArrayList expected;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"one line without line end", "a", list({"a"})},
        {"final CR LF adds no entry", "a\r\n", list({"a"})},
        {"final LF adds no entry", "a\n", list({"a"})},
        {"final CR adds no entry", "a\r", list({"a"})},
        {"CR LF", "a\r\nb\r\n", list({"a", "b"})},
        {"LF alone", "a\nb", list({"a", "b"})},
        {"CR alone", "a\rb\r", list({"a", "b"})},
        {"mixed line ends", "a\nb\rc\r\nd", list({"a", "b", "c", "d"})},
        {"a lone line end is one empty entry", "\r\n", list({""})},
        {"empty lines in between are entries", "a\r\n\r\nb\r\n", list({"a", "", "b"})},
        {"CR then CR LF is two line ends", "a\r\r\nb", list({"a", "", "b"})},
        {"LF then CR is two line ends", "a\n\rb", list({"a", "", "b"})},
        {"only empty lines", "\r\n\r\n\n", list({"", "", ""})},
        // 表 is 0x95 0x5C: its second byte is a backslash and must stay as it is.
        {"double-byte text kept byte for byte", sj("表示.jpg\r\nお知らせ\r\n"),
         list({"表示.jpg", "お知らせ"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseWebList(c.bytes), c.expected);
        const QString file = path(QStringLiteral("list.rw1"));
        test::writeAll(file, c.bytes);
        EXPECT_EQ(readWebList(file), c.expected);
        EXPECT_EQ(readTextLines(file), c.expected);
    }
}

TEST(WebEntryKind, FollowsTheTextFromTheLastDot) {
    struct Case {
        const char* entry;
        WebEntryKind expected;
    };
    const Case cases[] = {
        {"PHOTO.JPG", WebEntryKind::Background},
        {"a.b.PDF", WebEntryKind::Background},
        {"slide.jpeg", WebEntryKind::Background},
        {"写真.Bmp", WebEntryKind::Background},
        {"table.XLS", WebEntryKind::Background},
        {"drawing.sxd", WebEntryKind::Background},
        {"talk.PPTX", WebEntryKind::Background},
        {"slideshow.odp", WebEntryKind::Background},
        {"talk.pptm", WebEntryKind::Address},
        {"http://example.jp/pic.jpg", WebEntryKind::Background},
        {"news.rp1", WebEntryKind::Parts},
        {"sub/ニュース.Rp1", WebEntryKind::Parts},
        {"set.RF1", WebEntryKind::FileSet},
        {"http://x/y.htm", WebEntryKind::Address},
        {"http://example.com", WebEntryKind::Address},
        {"photo.jpg.htm", WebEntryKind::Address},
        {"photo.jpgx", WebEntryKind::Address},
        {"photo.rp", WebEntryKind::Address},
        {"dir.v2/photo", WebEntryKind::Address},
        {"noextension", WebEntryKind::Address},
        {"", WebEntryKind::Address},
        {".", WebEntryKind::Address},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(webEntryKind(sj(c.entry)), c.expected);
    }
}

TEST_F(ListFolder, WritesCrLfAfterEachEntryAndReadsTheSameEntriesBack) {
    const QByteArrayList entries =
        list({"写真１.jpg", "", "http://example.jp/お知らせ.htm", "ニュース.rp1", "表"});
    const QString file = path(QStringLiteral("順番.rw1"));
    test::writeAll(file, "old content that must disappear entirely\r\n");

    QString error;
    ASSERT_TRUE(writeWebList(file, entries, &error)) << error.toStdString();
    EXPECT_EQ(test::readAll(file),
              sj("写真１.jpg\r\n\r\nhttp://example.jp/お知らせ.htm\r\nニュース.rp1\r\n表\r\n"));
    EXPECT_EQ(readWebList(file), entries);

    ASSERT_TRUE(writeWebList(file, {}, &error));
    EXPECT_EQ(test::readAll(file), QByteArray());
    EXPECT_TRUE(readWebList(file).isEmpty());
}

TEST_F(ListFolder, FailedWriteReportsTheReason) {
    QString error;
    EXPECT_FALSE(writeWebList(path(QStringLiteral("missing/list.rw1")), list({"a"}), &error));
    EXPECT_FALSE(error.isEmpty());

    // A folder in the way of the file.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("taken.rw1")));
    error.clear();
    EXPECT_FALSE(writeWebList(path(QStringLiteral("taken.rw1")), list({"a"}), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ListFolder, UnreadableFileThrowsAMessageNamingTheFile) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.rw1")));
    const QString huge = path(QStringLiteral("huge.rw1"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxListFileBytes + 1));
    }
    for (const QString& name :
         {QStringLiteral("無い.rw1"), QStringLiteral("folder.rw1"), QStringLiteral("huge.rw1")}) {
        SCOPED_TRACE(name.toStdString());
        try {
            readWebList(path(name));
            ADD_FAILURE() << "no error";
        } catch (const ZulError& e) {
            EXPECT_TRUE(e.message().contains(path(name))) << e.message().toStdString();
        }
    }
}

TEST_F(ListFolder, FileOfExactlyTheLimitIsRead) {
    const QString file = path(QStringLiteral("big.txt"));
    QByteArray bytes(kMaxListFileBytes, 'x');
    bytes[kMaxListFileBytes - 2] = '\r';
    bytes[kMaxListFileBytes - 1] = '\n';
    test::writeAll(file, bytes);
    const QByteArrayList lines = readTextLines(file);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].size(), kMaxListFileBytes - 2);
}
