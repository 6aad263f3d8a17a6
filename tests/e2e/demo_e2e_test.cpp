// The bundled demo, run as it ships: the real executable in a copy of demo/ on a virtual X
// server, driven over TCP as an operator would.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

namespace {

QImage screenShot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

class DemoProcess : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        }
        const QDir demo(QStringLiteral(ZUL_SOURCE_DIR "/demo"));
        for (const QString& name : demo.entryList(QDir::Files)) {
            ASSERT_TRUE(QFile::copy(demo.filePath(name), dir_.filePath(name)))
                << name.toStdString();
        }
        zul_.setWorkingDirectory(dir_.path());
        zul_.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul_.waitForStarted(10000));
        // The demo's settings start the display role on the default port.
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000) {
            socket_.connectToHost(QStringLiteral("127.0.0.1"), 30000);
            if (socket_.waitForConnected(500)) {
                return;
            }
            socket_.abort();
            QThread::msleep(100);
        }
        FAIL() << "the demo did not start its display role";
    }

    void TearDown() override {
        socket_.abort();
        if (zul_.state() != QProcess::NotRunning) {
            zul_.terminate();
            zul_.waitForFinished(10000);
        }
    }

    void send(const QByteArray& packet) {
        socket_.write(packet);
        ASSERT_TRUE(socket_.waitForBytesWritten(3000));
    }

    // Waits until the screen's centre is `colour`, or gives up after `ms`.
    QImage waitForCentre(QColor colour, int ms = 8000) {
        QElapsedTimer t;
        t.start();
        QImage shot = screenShot();
        while (t.elapsed() < ms && shot.pixelColor(shot.rect().center()) != colour) {
            QThread::msleep(100);
            shot = screenShot();
        }
        return shot;
    }

    QTemporaryDir dir_;
    QProcess zul_;
    QTcpSocket socket_;
};

}  // namespace

TEST_F(DemoProcess, FadesGoThroughTheCoverColourOfItsSettings) {
    // The demo's startup.rd1 sets WallColor=0: fades go through black.
    send(
        "\x1f"
        "demo1.jpg\n");
    QThread::msleep(1500);
    send(
        "\x3c"
        "0\n");
    const QImage faded = waitForCentre(Qt::black);
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        faded.save(QStringLiteral("/tmp/shot_demo_fade.png"));
    }
    for (const QPoint at : {faded.rect().center(), QPoint(20, 20), QPoint(1260, 780)}) {
        EXPECT_EQ(faded.pixelColor(at), QColor(Qt::black))
            << at.x() << "," << at.y() << " " << faded.pixelColor(at).name().toStdString();
    }
    send(
        "\x3c"
        "255\n");
    QThread::msleep(800);
    const QImage shown = screenShot();
    EXPECT_NE(shown.pixelColor(shown.rect().center()), QColor(Qt::black));
}
