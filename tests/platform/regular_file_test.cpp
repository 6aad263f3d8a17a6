#include "platform/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "test_support.h"

using namespace zul;

// Whatever a name points at, the reader answers at once: only a regular file (also behind a
// link) gives bytes; a FIFO without writer, a terminal device, a folder or a missing name
// give a status and a reason, and the size bound refuses or cuts.
TEST(ReadRegularFile, ReadsOnlyRegularFilesAndNeverWaits) {
    QTemporaryDir dir;
    const auto at = [&dir](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    test::writeAll(at("plain.txt"), "0123456789");
    test::writeAll(at("empty.txt"), "");
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(at("plain.txt"), at("to-plain")));
    ASSERT_TRUE(QFile::link(at("pipe"), at("to-pipe")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ptmx"), at("to-ptmx")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));

    using S = FileReadStatus;
    const struct {
        QString path;
        qint64 max;
        Oversize oversize;
        S status;
        QByteArray bytes;
    } cases[] = {
        {at("plain.txt"), 10, Oversize::Refuse, S::Ok, "0123456789"},
        {at("empty.txt"), 10, Oversize::Refuse, S::Ok, ""},
        {at("to-plain"), 10, Oversize::Refuse, S::Ok, "0123456789"},
        {at("plain.txt"), 9, Oversize::Refuse, S::TooLarge, ""},
        {at("plain.txt"), 4, Oversize::ReadPrefix, S::Ok, "0123"},
        {at("missing"), 10, Oversize::Refuse, S::Missing, ""},
        {at("missing/below"), 10, Oversize::Refuse, S::Missing, ""},
        {QString(), 10, Oversize::Refuse, S::Missing, ""},
        {at("pipe"), 10, Oversize::Refuse, S::NotRegularFile, ""},
        {at("to-pipe"), 10, Oversize::ReadPrefix, S::NotRegularFile, ""},
        {at("to-ptmx"), 10, Oversize::Refuse, S::NotRegularFile, ""},
        {QStringLiteral("/dev/null"), 10, Oversize::Refuse, S::NotRegularFile, ""},
        {at("folder"), 10, Oversize::Refuse, S::NotRegularFile, ""},
        {at("plain.txt") + QChar(u'\0') + QStringLiteral("x"), 10, Oversize::Refuse, S::Failed, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QElapsedTimer timer;
        timer.start();
        const FileReadResult r = readRegularFile(c.path, c.max, c.oversize);
        EXPECT_LT(timer.elapsed(), 1000);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.bytes, c.bytes);
        EXPECT_EQ(r.reason.isEmpty(), r.ok());
        EXPECT_EQ(isRegularFile(c.path), c.status == S::Ok || c.status == S::TooLarge);
    }
}
