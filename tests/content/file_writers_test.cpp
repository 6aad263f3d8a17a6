// Every writer that puts a file over an old one: a write that fails part-way (as on a full
// disk) must leave the old file whole, say that it failed, and leave no stray file behind.
#include <gtest/gtest.h>

#include <QDir>
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
