#pragma once

// A D-Bus session bus of the test's own: a dbus-daemon listening on a socket path in a
// temporary folder (a path, not an abstract socket, so that it is the same bus in every
// network namespace), ended with the test.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace zul::test {

class PrivateSessionBus {
public:
    PrivateSessionBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !dir_.isValid()) {
            return;
        }
        const QString socket = dir_.filePath(QStringLiteral("bus"));
        // It complains that it may not raise its descriptor limit; nothing else to hear.
        daemon_.setStandardOutputFile(QProcess::nullDevice());
        daemon_.setStandardErrorFile(QProcess::nullDevice());
        daemon_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                               QStringLiteral("--nopidfile"),
                               QStringLiteral("--address=unix:path=") + socket});
        if (!daemon_.waitForStarted(5000)) {
            return;
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && !QFileInfo::exists(socket)) {
            QThread::msleep(20);
        }
        if (QFileInfo::exists(socket)) {
            address_ = QStringLiteral("unix:path=") + socket;
        }
    }
    ~PrivateSessionBus() {
        if (daemon_.state() != QProcess::NotRunning) {
            daemon_.terminate();
            if (!daemon_.waitForFinished(5000)) {
                daemon_.kill();
                daemon_.waitForFinished(2000);
            }
        }
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when no bus could be started (no dbus-daemon installed).
    const QString& address() const { return address_; }
    bool ok() const { return !address_.isEmpty(); }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

}  // namespace zul::test
