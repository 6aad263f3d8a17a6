#pragma once

// Two real zul processes on one virtual X server: a display machine and an operator
// machine connected to it, each in a start folder of its own. The operator's windows are
// driven with real X input events (xdotool), as a person at the keyboard would drive them.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include "test_support.h"
#include "waiting_and_ports.h"

namespace zul::test {

inline QString xdotool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

inline QImage screenShot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// Pixels (every fourth in each direction) of `area` near `colour`.
inline int countNear(const QImage& img, QRect area, QColor colour) {
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

// The first window whose title is `title`, waiting up to `ms` for it; empty when none came.
inline QString findWindow(const QString& title, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    QString id;
    while (t.elapsed() < ms && id.isEmpty()) {
        id = xdotool({"search", "--name", title}).section('\n', 0, 0);
        QThread::msleep(200);
    }
    return id;
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
                     "[Server]\r\nPort=%1\r\nAspect=0\r\nStretch=1\r\n%2[IPtalk]\r\nNoTouch=1\r\n"
                     "[RUN]\r\nServerNow=1\r\n")
                     .arg(port_)
                     .arg(QString::fromLatin1(displaySettings()))
                     .toLatin1());
        prepareDisplayFolder();
        writeAll(operator_.filePath("startup.rd1"),
                 QStringLiteral("[Server]\r\nPort=%1\r\n[Client]\r\nHost=127.0.0.1\r\nPort=%2\r\n"
                                "[IPtalk]\r\nNoTouch=1\r\n")
                     .arg(port_ + 1)
                     .arg(port_)
                     .toLatin1());
        start(displayProcess_, display_.path(), false);
        QThread::msleep(1500);
        start(operatorProcess_, operator_.path(), true);
        console_ = findWindow(QStringLiteral("ZUL 操作機"));
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

    // Settings lines of the display machine's startup file, before the section [IPtalk].
    virtual QByteArray displaySettings() const { return {}; }
    // Files of the display machine's start folder: a red picture unless said otherwise.
    virtual void prepareDisplayFolder() {
        QImage red(640, 480, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(display_.filePath("red.jpg"), "JPG", 100);
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

    // A click at a point of a window (the console unless named).
    void click(int x, int y, int count = 1) { clickIn(console_, QPoint(x, y), count); }
    static void clickIn(const QString& window, QPoint at, int count = 1) {
        xdotool(
            {"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y())});
        xdotool({"click", "--repeat", QString::number(count), "--delay", "80", "1"});
        QThread::msleep(300);
    }

    // Packets straight to the display machine, as a further operator would send them.
    void sendToDisplay(const QByteArray& packets) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), port_);
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write(packets);
        ASSERT_TRUE(socket.waitForBytesWritten(3000));
        QThread::msleep(300);
        socket.disconnectFromHost();
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

}  // namespace zul::test
