#pragma once

// A foreign window for window function tests: the window_standin program (tests/tools)
// run as a process of its own on the test's X display, with a WM_CLASS class and title of
// choice. The window id is known once the process has printed it.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include "platform/x11_windows.h"

namespace zul::test {

class StandinWindow {
public:
    struct Options {
        QString windowClass = QStringLiteral("Ttalk2e");
        QString title;
        QRect geometry;  // empty: the program's default
        bool hidden = false;
    };

    StandinWindow(const QString& program, const Options& options) {
        QStringList args{QStringLiteral("--class"), options.windowClass};
        if (!options.title.isEmpty()) {
            args << QStringLiteral("--title") << options.title;
        }
        if (!options.geometry.isEmpty()) {
            const QRect& g = options.geometry;
            args << QStringLiteral("--geometry")
                 << QStringLiteral("%1,%2,%3,%4")
                        .arg(g.x())
                        .arg(g.y())
                        .arg(g.width())
                        .arg(g.height());
        }
        if (options.hidden) {
            args << QStringLiteral("--hidden");
        }
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, args);
        QElapsedTimer t;
        t.start();
        while (!process_.canReadLine() && t.elapsed() < 10000 &&
               process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
        }
        id_ = process_.readLine().trimmed().toULongLong();
    }
    ~StandinWindow() { stop(); }
    StandinWindow(const StandinWindow&) = delete;
    StandinWindow& operator=(const StandinWindow&) = delete;

    // 0 when the program did not start or made no window.
    WindowId id() const { return id_; }

    // Ends the program: its window goes away.
    void stop() {
        if (process_.state() == QProcess::NotRunning) {
            return;
        }
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

private:
    QProcess process_;
    WindowId id_ = 0;
};

}  // namespace zul::test
