// Every writer that puts a file over an old one: a write that fails part-way (as on a full
// disk) must leave the old file whole, say that it failed, and leave no stray file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "content/web_list.h"
#include "model/debug_log.h"
#include "model/worksheet.h"
#include "test_support.h"

using namespace zul;
using zul::test::FileSizeLimit;
using zul::test::readAll;
using zul::test::writeAll;

TEST(FileWriters, AFailedWriteKeepsTheOldFileWhole) {
    Worksheet sheet;
    for (int row = 1; row < 200; ++row) {
        sheet.setRowCommaText(row, "cell,cell,cell,cell");
    }
    DebugLog log;
    for (int i = 0; i < 200; ++i) {
        log.add(QByteArray("a fairly long line of the log to go past the limit"));
    }
    const QByteArrayList entries(200, QByteArray("picture-with-a-long-name.jpg"));
    struct Writer {
        const char* name;
        const char* file;
        std::function<bool(const QString&, QString*)> write;
    };
    const Writer writers[] = {
        {"worksheet", "sheet.csv",
         [&](const QString& p, QString* e) { return sheet.saveFile(p, e); }},
        {"log", "zul_dbg.log", [&](const QString& p, QString* e) { return log.writeFile(p, e); }},
        {"web list", "list.rw1",
         [&](const QString& p, QString* e) { return writeWebList(p, entries, e); }},
    };
    for (const Writer& w : writers) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(w.file));
        const QByteArray before = "the old contents\r\n";
        writeAll(path, before);
        QString error;
        bool written = true;
        {
            const FileSizeLimit limit(256);
            ASSERT_TRUE(limit.active());
            written = w.write(path, &error);
        }
        EXPECT_FALSE(written) << w.name;
        EXPECT_FALSE(error.isEmpty()) << w.name;
        EXPECT_EQ(readAll(path), before) << w.name;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QString::fromLatin1(w.file)})
            << w.name;
        // Without the limit the same write goes through.
        EXPECT_TRUE(w.write(path, &error)) << w.name << error.toStdString();
        EXPECT_GT(readAll(path).size(), 256) << w.name;
    }
}

// A name in the base directory that links to a device was written over: the rename put a
// regular file in place of the device node itself (as root, /dev/zero became a settings
// file). Names that lead to a FIFO, a folder or a link to either are refused and stay.
TEST(FileWriters, NamesThatAreNotRegularFilesAreRefusedAndStay) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath(QStringLiteral("folder.rw1"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString linkToFifo = dir.filePath(QStringLiteral("zero.rw1"));
    ASSERT_TRUE(QFile::link(fifo, linkToFifo));
    const QByteArrayList entries{QByteArray("a.jpg")};
    for (const QString& path : {fifo, folder, linkToFifo}) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_FALSE(writeWebList(path, entries, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(QFileInfo(linkToFifo).isSymLink());
    EXPECT_TRUE(QFileInfo(folder).isDir());
    // A link to a regular file is written through, as before.
    const QString target = dir.filePath(QStringLiteral("real.rw1"));
    writeAll(target, "old\r\n");
    const QString linkToFile = dir.filePath(QStringLiteral("link.rw1"));
    ASSERT_TRUE(QFile::link(target, linkToFile));
    EXPECT_TRUE(writeWebList(linkToFile, entries));
    EXPECT_EQ(readAll(target), QByteArray("a.jpg\r\n"));
}
