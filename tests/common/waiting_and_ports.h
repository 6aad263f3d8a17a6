#pragma once

// Helpers that need Qt alone: waiting on the event loop for a condition, and a local port
// that nothing listens on. Any test program may include this.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>
#include <QUdpSocket>

namespace zul::test {

// Runs the event loop until `done` holds (true) or `ms` milliseconds pass (false).
template <typename Predicate>
bool waitFor(Predicate done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

// A TCP port that was free on `address` a moment ago.
inline quint16 freeTcpPort(const QHostAddress& address = QHostAddress::LocalHost) {
    QTcpServer probe;
    probe.listen(address, 0);
    return probe.serverPort();
}

// A UDP port that was free on `address` a moment ago.
inline quint16 freeUdpPort(const QHostAddress& address = QHostAddress::LocalHost) {
    QUdpSocket probe;
    probe.bind(address, 0);
    return probe.localPort();
}

}  // namespace zul::test
