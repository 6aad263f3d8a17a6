// A real display machine process driven over TCP on the loopback, as an operator would.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include "platform/cp932.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
using zul::test::readAll;
using zul::test::sj;
using zul::test::writeAll;

namespace {

// zul started in a temporary folder whose startup settings start the display role.
class DisplayProcess : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(dir_.filePath("startup.rd1"),
                 QStringLiteral(
                     "[Server]\r\nPort=%1\r\n[IPtalk]\r\nNoTouch=1\r\n[RUN]\r\nServerNow=1\r\n")
                     .arg(port_)
                     .toLatin1());
        writeAll(dir_.filePath("photo.jpg"), "x");
        writeAll(dir_.filePath("locked.jpg"), "x");
        QFile::setPermissions(dir_.filePath("locked.jpg"), QFile::ReadOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        zul_.setProcessEnvironment(env);
        zul_.setWorkingDirectory(dir_.path());
        zul_.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul_.waitForStarted(10000));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 15000) {
            socket_.connectToHost(QStringLiteral("127.0.0.1"), port_);
            if (socket_.waitForConnected(500)) {
                return;
            }
            socket_.abort();
            QThread::msleep(100);
        }
        FAIL() << "the display machine did not start listening";
    }

    void TearDown() override {
        socket_.abort();
        zul_.terminate();
        zul_.waitForFinished(10000);
    }

    // Reads reply packets until `last` returns true for one of them.
    QByteArrayList readUntil(const std::function<bool(const QByteArray&)>& last) {
        QByteArrayList packets;
        QByteArray pending;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000) {
            if (!socket_.waitForReadyRead(200)) {
                continue;
            }
            pending += socket_.readAll();
            qsizetype lf = 0;
            while ((lf = pending.indexOf('\n')) >= 0) {
                packets << pending.left(lf);
                pending.remove(0, lf + 1);
                if (last(packets.last())) {
                    return packets;
                }
            }
        }
        ADD_FAILURE() << "no complete answer";
        return packets;
    }

    // Fetches the log again and again until a line that contains `text` comes back. Each
    // request carries its own number as operand, so its answer ends at its own receive line
    // (the earlier requests' receive lines are in the log too).
    QByteArrayList logUntil(const QByteArray& text) {
        const QByteArray ownLine = sj("PKT受信[S]: Cmd(050[デバッグログを呼ぶ");
        QByteArrayList log;
        QElapsedTimer t;
        t.start();
        for (int request = 1; t.elapsed() < 10000; ++request) {
            const QByteArray tag = "request-" + QByteArray::number(request);
            socket_.write("\x32" + tag + "\n");
            log = readUntil([&](const QByteArray& p) {
                return p.mid(1).startsWith(ownLine) && p.endsWith(" Op(" + tag + ")");
            });
            for (const QByteArray& line : log) {
                if (line.contains(text)) {
                    return log;
                }
            }
            QThread::msleep(100);
        }
        ADD_FAILURE() << "the log never showed " << text.constData();
        return log;
    }

    QTemporaryDir dir_;
    quint16 port_ = 0;
    QProcess zul_;
    QTcpSocket socket_;
};

}  // namespace

TEST_F(DisplayProcess, AnswersProcessorLoadFileListAndLog) {
    // Processor load: one reply each, a number 0..100.
    for (int i = 0; i < 2; ++i) {
        socket_.write("\x4a,\n");
        const QByteArrayList r =
            readUntil([](const QByteArray& p) { return p.startsWith('\x4b'); });
        ASSERT_FALSE(r.isEmpty());
        bool ok = false;
        const int load = r.last().mid(1).toInt(&ok);
        EXPECT_TRUE(ok && load >= 0 && load <= 100) << r.last().constData();
    }

    // File list: plain files only, then the base directory twice.
    socket_.write("\x20\n");
    const QByteArrayList files =
        readUntil([](const QByteArray& p) { return p.startsWith('\x53'); });
    QByteArrayList names;
    for (const QByteArray& p : files) {
        if (p.startsWith('\x21')) {
            names << p.mid(1);
        }
    }
    EXPECT_TRUE(names.contains("photo.jpg"));
    EXPECT_TRUE(names.contains("startup.rd1"));
    EXPECT_FALSE(names.contains("locked.jpg"));
    ASSERT_GE(files.size(), 2);
    EXPECT_EQ(files[files.size() - 2], "\x36" + zul::cp932::encode(dir_.path()));
    EXPECT_EQ(files.last(), "\x53" + zul::cp932::encode(dir_.path()));

    // The log, ending with the receive line of this very request.
    socket_.write("\x32\n");
    const QByteArray ownLine = sj("PKT受信[S]: Cmd(050[デバッグログを呼ぶ");
    const QByteArrayList log =
        readUntil([&](const QByteArray& p) { return p.mid(1).startsWith(ownLine); });
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.first(), "\x32" + QByteArray(33, '='));
    EXPECT_TRUE(log.contains("\x32" + sj("スタートアップ設定ファイルを読み込みます。")));
}

TEST_F(DisplayProcess, SurvivesGarbageAndLogsEveryPacketAtExit) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 7919) % 256);
    }
    socket_.write(garbage);
    socket_.write(QByteArray(5000, 'y'));
    socket_.write("\n\x4a,\n");
    const QByteArrayList r = readUntil([](const QByteArray& p) { return p.startsWith('\x4b'); });
    EXPECT_FALSE(r.isEmpty());

    zul_.terminate();
    ASSERT_TRUE(zul_.waitForFinished(10000));
    EXPECT_EQ(zul_.exitStatus(), QProcess::NormalExit);
    const QByteArray file = readAll(dir_.filePath("zul_dbg.log"));
    EXPECT_TRUE(file.contains(sj("PKT受信[S]: Cmd(074[CPU負荷率送信")));
    EXPECT_TRUE(file.contains(sj("不明なパケット(未処理)")));
}

TEST_F(DisplayProcess, ShortConnectionsBesideAFadingOperatorNeverCrashIt) {
    // One operator shows a picture and fades in a loop (both let events run inside their
    // handling), while hundreds of other operators each send one packet and close: their
    // connections end inside the first one's handling.
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(dir_.filePath("red.png")));
    const QByteArray cycle =
        "\x1fred.png\n\x3c"
        "0\n\x3c"
        "128\n\x3c"
        "255\n";
    const auto feed = [&] {
        for (int i = 0; i < 20; ++i) {
            socket_.write(cycle);
        }
        socket_.flush();
    };
    feed();
    constexpr int kShort = 700;
    for (int i = 0; i < kShort; ++i) {
        QTcpSocket brief;
        brief.connectToHost(QStringLiteral("127.0.0.1"), port_);
        ASSERT_TRUE(brief.waitForConnected(5000)) << "connection " << i;
        brief.write(i % 2 == 0 ? QByteArray("\x2cscore 1\n") : QByteArray("\x24line\n"));
        brief.waitForBytesWritten(1000);
        brief.disconnectFromHost();
        if (brief.state() != QAbstractSocket::UnconnectedState) {
            brief.waitForDisconnected(1000);
        }
        if (i % 50 == 0) {
            feed();
            socket_.readAll();
        }
        ASSERT_EQ(zul_.state(), QProcess::Running) << "after connection " << i;
    }
    socket_.readAll();
    socket_.write("\x4a,\n");
    const QByteArrayList r = readUntil([](const QByteArray& p) { return p.startsWith('\x4b'); });
    EXPECT_FALSE(r.isEmpty());
    EXPECT_EQ(zul_.state(), QProcess::Running);
}

// A status line from any host runs only as a message: a settings save hidden in one would
// overwrite startup.rd1, and the display would no longer start by itself.
TEST_F(DisplayProcess, StatusLineCannotSaveSettingsOverTheStartupFile) {
    const QByteArray startup = readAll(dir_.filePath("startup.rd1"));
    QUdpSocket udp;
    udp.writeDatagram(QByteArray("ZUL,3,") + char(71) + "1,startup\n", QHostAddress::LocalHost,
                      port_);
    udp.writeDatagram(QByteArray("ZUL,3,") + char(30) + "marker\n", QHostAddress::LocalHost, port_);
    const QByteArrayList log = logUntil("Op(\x1emarker) [run]");
    EXPECT_EQ(readAll(dir_.filePath("startup.rd1")), startup);
    EXPECT_TRUE(
        log.contains("\x32" + sj("PKT受信[U]: 状態行がメッセージ転送ではないため破棄しました。"
                                 "(先頭バイト:71)")));
}

// Anybody connected can fetch the log: the key of a directory change never goes into it.
TEST_F(DisplayProcess, DirectoryChangeKeyNeverReachesTheLog) {
    socket_.write("\x35opensesame,/srv/show\n");
    const QByteArrayList log = logUntil("Op(****,/srv/show)");
    for (const QByteArray& line : log) {
        EXPECT_FALSE(line.contains("opensesame")) << line.constData();
    }
    zul_.terminate();
    ASSERT_TRUE(zul_.waitForFinished(10000));
    EXPECT_FALSE(readAll(dir_.filePath("zul_dbg.log")).contains("opensesame"));
}
