#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "model/debug_log.h"
#include "platform/cp932.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

TEST(DebugLog, StartsWithTheFiveLineBanner) {
    DebugLog log;
    ASSERT_EQ(log.lines().size(), 5);
    EXPECT_EQ(log.lines()[0], QByteArray(33, '='));
    EXPECT_EQ(log.lines()[2], QByteArray(33, '='));
    EXPECT_EQ(log.lines()[3], sj("#不具合時はこのデータを添付ください。"));
    EXPECT_EQ(log.lines()[4], QByteArray("Debug Information :"));
}

TEST(DebugLog, CountsBytesOfCodePage932TextWithLineEnds) {
    DebugLog log;
    const qsizetype before = log.textBytes();
    log.add(QStringLiteral("エラー：x"));  // 4 double-byte characters + 'x' + CR LF
    EXPECT_EQ(log.textBytes() - before, 8 + 1 + 2);
}

TEST(DebugLog, ClearsEverythingWhenTheTextPassesTheLimit) {
    DebugLog log;
    QSignalSpy cleared(&log, &DebugLog::cleared);
    // Fill exactly to the limit: still kept.
    const qsizetype room = DebugLog::kLimitBytes - log.textBytes() - 2;
    log.add(QByteArray(room, 'a'));
    EXPECT_EQ(log.textBytes(), DebugLog::kLimitBytes);
    EXPECT_EQ(cleared.count(), 0);
    // One more byte: the whole log goes, banner included.
    log.add(QByteArray());
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(log.textBytes(), 0);
    log.add(QByteArray("next"));
    EXPECT_EQ(log.lines(), QByteArrayList{"next"});
}

TEST(DebugLog, WritesCodePage932LinesWithCrLf) {
    QTemporaryDir dir;
    DebugLog log;
    log.add(QStringLiteral("表示機として起動"));
    const QString path = dir.filePath(QString::fromLatin1(DebugLog::kFileName));
    zul::test::writeAll(path,
                        "old content that is longer than the new file would be ......"
                        "...............................................................");
    ASSERT_TRUE(log.writeFile(path));
    const QByteArray bytes = zul::test::readAll(path);
    EXPECT_TRUE(bytes.startsWith(QByteArray(33, '=') + "\r\n"));
    EXPECT_TRUE(bytes.endsWith(sj("表示機として起動") + "\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 6);
    EXPECT_EQ(bytes.count('\n'), 6);
}

TEST(DebugLog, ReportsAFileThatCannotBeWritten) {
    QTemporaryDir dir;
    zul::test::writeAll(dir.filePath("plain"), "x");
    DebugLog log;
    QString error;
    EXPECT_FALSE(log.writeFile(dir.filePath("plain/zul_dbg.log"), &error));
    EXPECT_FALSE(error.isEmpty());
}
