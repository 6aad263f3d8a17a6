// Two real zul processes on one virtual X server: a display machine and an operator
// machine connected to it. The operator's console is driven with real X input events
// (xdotool), as a person at the keyboard would drive it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
using zul::test::readAll;
using zul::test::sj;
using zul::test::writeAll;

namespace {

QString xdotool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QImage screenShot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

int countNear(const QImage& img, QRect area, QColor colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 4) {
        for (int x = area.left(); x <= area.right(); x += 4) {
            const QColor c = img.pixelColor(x, y);
            n += (std::abs(c.red() - colour.red()) < 30 &&
                  std::abs(c.green() - colour.green()) < 30 &&
                  std::abs(c.blue() - colour.blue()) < 30)
                     ? 1
                     : 0;
        }
    }
    return n;
}

class TwoMachines : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "xdotool is not installed";
        }
        port_ = freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(display_.filePath("startup.rd1"),
                 QStringLiteral(
                     "[Server]\r\nPort=%1\r\nAspect=0\r\nStretch=1\r\n[IPtalk]\r\nNoTouch=1\r\n"
                     "[RUN]\r\nServerNow=1\r\n")
                     .arg(port_)
                     .toLatin1());
        QImage red(640, 480, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(display_.filePath("red.jpg"), "JPG", 100);
        writeAll(operator_.filePath("startup.rd1"),
                 QStringLiteral("[Server]\r\nPort=%1\r\n[Client]\r\nHost=127.0.0.1\r\nPort=%2\r\n"
                                "[IPtalk]\r\nNoTouch=1\r\n")
                     .arg(port_ + 1)
                     .arg(port_)
                     .toLatin1());
        start(displayProcess_, display_.path(), false);
        QThread::msleep(1500);
        start(operatorProcess_, operator_.path(), true);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000 && console_.isEmpty()) {
            console_ =
                xdotool({"search", "--name", QStringLiteral("ZUL 操作機")}).section('\n', 0, 0);
            QThread::msleep(200);
        }
        ASSERT_FALSE(console_.isEmpty()) << "the operator console did not come up";
        QThread::msleep(1500);  // the console asks for its lists when it comes up
        xdotool({"windowfocus", "--sync", console_});
    }

    void TearDown() override {
        for (QProcess* p : {&operatorProcess_, &displayProcess_}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                p->waitForFinished(10000);
            }
        }
    }

    static void start(QProcess& p, const QString& dir, bool asOperator) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        if (asOperator) {
            env.insert(QStringLiteral("ZUL_START_OPERATOR"), QStringLiteral("1"));
        }
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir);
        p.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(p.waitForStarted(10000));
    }

    // A click at a point of the console window.
    void click(int x, int y, int count = 1) {
        xdotool({"mousemove", "--window", console_, QString::number(x), QString::number(y)});
        xdotool({"click", "--repeat", QString::number(count), "--delay", "80", "1"});
        QThread::msleep(300);
    }

    QByteArray displayLog() {
        displayProcess_.terminate();
        displayProcess_.waitForFinished(10000);
        return readAll(display_.filePath("zul_dbg.log"));
    }

    QTemporaryDir display_;
    QTemporaryDir operator_;
    quint16 port_ = 0;
    QProcess displayProcess_;
    QProcess operatorProcess_;
    QString console_;
};

}  // namespace

TEST_F(TwoMachines, TypedCaptionAndDoubleClickedPictureReachTheDisplay) {
    // The caption script: tab "文字送信", a line typed over the hint, F1.
    click(40, 17);
    click(200, 150);
    xdotool({"key", "--clearmodifiers", "ctrl+a"});
    xdotool({"type", "--delay", "20", "E2E caption 42"});
    const QRect strip(0, 760, 1280, 36);
    const QImage before = screenShot().copy(strip);
    xdotool({"key", "F1"});
    QThread::msleep(800);
    EXPECT_NE(screenShot().copy(strip), before) << "the caption strip did not change";

    // The file list: tab "ファイル指示", double-click on the first file (red.jpg).
    click(122, 17);
    click(60, 61, 2);
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        screenShot().save(QStringLiteral("/tmp/shot_two.png"));
    }
    const QRect uncovered(900, 100, 360, 500);  // beside the console window
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000 && countNear(screenShot(), uncovered, Qt::red) < 1000) {
        QThread::msleep(200);
    }
    EXPECT_GT(countNear(screenShot(), uncovered, Qt::red), 1000) << "the picture is not shown";

    const QByteArray log = displayLog();
    EXPECT_TRUE(log.contains(sj("PKT受信[S]: Cmd(036[1行更新") + QByteArray(33, ' ') +
                             "]) Op(E2E caption 42)"));
    EXPECT_TRUE(log.contains("Op(red.jpg)"));
}
