// The real executable, started in a temporary folder and ended with SIGTERM the way a
// service manager would end it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "test_support.h"

using zul::test::readAll;
using zul::test::sj;
using zul::test::writeAll;

namespace {

// Runs zul in `dir` with `args` for a moment, then ends it with SIGTERM; returns its log file.
QByteArray runAndTerminate(const QString& dir, const QStringList& args) {
    QProcess zul;
    zul.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    zul.setProcessEnvironment(env);
    zul.start(QStringLiteral(ZUL_BINARY), args);
    EXPECT_TRUE(zul.waitForStarted(10000));
    // Wait until the startup files have been handled (the log file appears only at exit,
    // so give the event loop time to run the startup step).
    QThread::msleep(1500);
    zul.terminate();
    EXPECT_TRUE(zul.waitForFinished(10000));
    EXPECT_EQ(zul.exitStatus(), QProcess::NormalExit);
    return readAll(dir + QStringLiteral("/zul_dbg.log"));
}

}  // namespace

TEST(ProgramE2E, LoadsStartupFilesAndSavesTheLogOnSigterm) {
    QTemporaryDir dir;
    writeAll(dir.filePath("startup.rd1"), "[Server]\r\nStretch=0\r\n");
    const QByteArray log = runAndTerminate(dir.path(), {});
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.startsWith(QByteArray(33, '=') + "\r\n"));
    EXPECT_TRUE(log.contains(sj("スタートアップ設定ファイルを読み込みます。") + "\r\n"));
    EXPECT_FALSE(log.contains("\n\n"));
}

TEST(ProgramE2E, CommandLineSettingsFileSkipsTheStartupFiles) {
    QTemporaryDir dir;
    writeAll(dir.filePath("startup.rd1"), "[Server]\r\nStretch=0\r\n");
    writeAll(dir.filePath("other.rd1"), "[Server]\r\nStretch=1\r\n");
    const QByteArray log = runAndTerminate(dir.path(), {dir.filePath("other.rd1")});
    ASSERT_FALSE(log.isEmpty());
    EXPECT_FALSE(log.contains(sj("スタートアップ設定ファイルを読み込みます。")));
}
