// The real executable, started in a temporary folder and ended with SIGTERM the way a
// service manager would end it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
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

// Starts zul in `dir` on the offscreen platform.
void startOffscreen(QProcess& zul, const QString& dir) {
    zul.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    zul.setProcessEnvironment(env);
    zul.start(QStringLiteral(ZUL_BINARY), {});
}

// Connects to the display machine's port once it listens; false after `ms`.
bool connectWhenListening(QTcpSocket& socket, quint16 port, int ms) {
    QElapsedTimer connecting;
    connecting.start();
    while (socket.state() != QAbstractSocket::ConnectedState && connecting.elapsed() < ms) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(500)) {
            socket.abort();
            QThread::msleep(100);
        }
    }
    return socket.state() == QAbstractSocket::ConnectedState;
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

TEST(ProgramE2E, SignalsEndTheProgramQuicklyWithTheOperatorRoleConnected) {
    // One program that is display machine and its own operator (as the demo runs). Ending it
    // drops the operator connection, which must not open the "connection lost" box and wait
    // for somebody to close it.
    for (const int signal : {SIGTERM, SIGINT}) {
        QTemporaryDir dir;
        const quint16 port = freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(dir.filePath("startup.rd1"),
                 QByteArray("[Server]\r\nPort=") + QByteArray::number(port) +
                     "\r\n[Client]\r\nHost=localhost\r\nPort=" + QByteArray::number(port) +
                     "\r\n[RUN]\r\nServerNow=1\r\n");
        QProcess zul;
        zul.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ZUL_START_OPERATOR"), QStringLiteral("1"));
        zul.setProcessEnvironment(env);
        zul.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul.waitForStarted(10000));
        QThread::msleep(2500);
        ASSERT_EQ(zul.state(), QProcess::Running);
        QElapsedTimer ending;
        ending.start();
        ::kill(static_cast<pid_t>(zul.processId()), signal);
        ASSERT_TRUE(zul.waitForFinished(10000)) << "signal " << signal;
        EXPECT_LT(ending.elapsed(), 3000) << "signal " << signal;
        EXPECT_EQ(zul.exitStatus(), QProcess::NormalExit);
        const QByteArray log = readAll(dir.filePath("zul_dbg.log"));
        EXPECT_TRUE(log.contains(sj("【表示機へ接続しました】"))) << "signal " << signal;
    }
}

TEST(ProgramE2E, SigtermEndsTheProgramWhileAnOperatorStillHasPacketsWaiting) {
    // An operator has sent far more loads than run in a few seconds. The signal comes while
    // one of them lets events run: the program ends without running the rest first.
    QTemporaryDir dir;
    const quint16 port = freeTcpPort(QHostAddress::AnyIPv4);
    writeAll(dir.filePath("startup.rd1"), QByteArray("[Server]\r\nPort=") +
                                              QByteArray::number(port) +
                                              "\r\nHideDisp=0\r\n[RUN]\r\nServerNow=1\r\n");
    QByteArray sheet;
    for (int row = 0; row < 300; ++row) {
        sheet += "a,b,c,d,e,f,g,h\r\n";
    }
    writeAll(dir.filePath("sheet.csv"), sheet);
    QProcess zul;
    startOffscreen(zul, dir.path());
    ASSERT_TRUE(zul.waitForStarted(10000));
    QTcpSocket operatorSocket;
    ASSERT_TRUE(connectWhenListening(operatorSocket, port, 10000));
    const QByteArray load = "L" + dir.filePath("sheet.csv").toLocal8Bit() + "\n";
    operatorSocket.write(load.repeated(20000));
    while (operatorSocket.bytesToWrite() > 0 && operatorSocket.waitForBytesWritten(1000)) {
    }
    QThread::msleep(1000);
    ASSERT_EQ(zul.state(), QProcess::Running);
    QElapsedTimer ending;
    ending.start();
    ::kill(static_cast<pid_t>(zul.processId()), SIGTERM);
    ASSERT_TRUE(zul.waitForFinished(30000));
    EXPECT_LT(ending.elapsed(), 3000);
    EXPECT_EQ(zul.exitStatus(), QProcess::NormalExit);
}

TEST(ProgramE2E, SigtermEndsTheProgramPromptlyUnderABacklogOfCheapPacketsFromManyOperators) {
    // Many operators each write hundreds of thousands of packets that cost next to nothing
    // (load requests, caption lines) and never read the replies. Their backlogs had the
    // reads hold the event loop for seconds each, and the signal waited behind all of them.
    QTemporaryDir dir;
    const quint16 port = freeTcpPort(QHostAddress::AnyIPv4);
    writeAll(dir.filePath("startup.rd1"),
             QByteArray("[Server]\r\nPort=") + QByteArray::number(port) +
                 "\r\nHideDisp=0\r\n[IPtalk]\r\nNoTouch=1\r\n[RUN]\r\nServerNow=1\r\n");
    QProcess zul;
    startOffscreen(zul, dir.path());
    ASSERT_TRUE(zul.waitForStarted(10000));
    QTcpSocket probe;
    ASSERT_TRUE(connectWhenListening(probe, port, 15000));

    constexpr int kOperators = 16;
    constexpr int kPackets = 300000;
    const QByteArray cpu = QByteArray("J\n").repeated(kPackets);
    const QByteArray lines = (QByteArray("$") + sj("字幕の行です") + "\n").repeated(kPackets);
    // Each operator stays connected until the program has ended: closing a socket that
    // holds unread replies would reset the connection, and its backlog would be dropped.
    std::vector<int> sockets(kOperators, -1);
    std::vector<std::thread> operators;
    for (int i = 0; i < kOperators; ++i) {
        operators.emplace_back([port, &fd = sockets[i], &bytes = i % 2 == 0 ? cpu : lines] {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(port);
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
                return;
            }
            for (qsizetype done = 0; done < bytes.size();) {
                const ssize_t n = ::send(fd, bytes.constData() + done,
                                         static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
                if (n <= 0) {
                    break;
                }
                done += n;
            }
        });
    }
    // Long enough for every operator's backlog to be read in passes.
    QThread::msleep(5000);
    ASSERT_EQ(zul.state(), QProcess::Running);
    QElapsedTimer ending;
    ending.start();
    ::kill(static_cast<pid_t>(zul.processId()), SIGTERM);
    const bool ended = zul.waitForFinished(60000);
    const qint64 took = ending.elapsed();
    if (!ended) {
        zul.kill();
        zul.waitForFinished(10000);
    }
    for (std::thread& t : operators) {
        t.join();
    }
    for (const int fd : sockets) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ASSERT_TRUE(ended);
    EXPECT_LT(took, 3000);
    EXPECT_EQ(zul.exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(readAll(dir.filePath("zul_dbg.log")).isEmpty());
}
