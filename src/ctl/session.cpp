#include "ctl/session.h"

#include "ctl/answer.h"

namespace zul::ctl {
namespace {

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

}  // namespace

DisplaySession::~DisplaySession() {
    close();
}

std::optional<QString> DisplaySession::open(const QString& host, int port,
                                            std::chrono::milliseconds timeout) {
    socket_.connectToHost(host, static_cast<quint16>(port));
    if (socket_.waitForConnected(static_cast<int>(timeout.count()))) {
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return std::nullopt;
    }
    const QString reason =
        socket_.error() == QAbstractSocket::SocketTimeoutError
            ? QStringLiteral("no connection within %1 s").arg(double(timeout.count()) / 1000.0)
            : socket_.errorString();
    socket_.abort();
    return QStringLiteral("cannot connect to %1:%2: %3").arg(host).arg(port).arg(reason);
}

bool DisplaySession::write(const QByteArray& bytes, const QDeadlineTimer& deadline) {
    if (socket_.write(bytes) != bytes.size()) {
        return false;
    }
    while (socket_.bytesToWrite() > 0) {
        if (!socket_.waitForBytesWritten(remainingMs(deadline))) {
            return false;
        }
    }
    return true;
}

DisplaySession::Outcome DisplaySession::exchange(
    const QByteArrayList& packets, Cmd command, const std::function<void(const QByteArray&)>& reply,
    std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    const auto failed = [this, &deadline] {
        return socket_.state() != QAbstractSocket::ConnectedState ? Outcome::Closed
               : deadline.hasExpired()                            ? Outcome::TimedOut
                                                                  : Outcome::Closed;
    };
    if (!write(packets.join() + endMarkPacket(), deadline)) {
        return failed();
    }
    AnswerTracker answer(command);
    while (true) {
        while (std::optional<QByteArray> packet = splitter_.takePacket()) {
            if (answer.take(*packet)) {
                reply(*packet);
            }
            if (answer.complete()) {
                return Outcome::Complete;
            }
        }
        splitter_.takeDiscardNotices();
        if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(remainingMs(deadline))) {
            return failed();
        }
        splitter_.append(socket_.readAll());
    }
}

void DisplaySession::close() {
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
        return;
    }
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState) {
        socket_.waitForDisconnected(1000);
    }
    socket_.abort();
}

QString outcomeText(DisplaySession::Outcome outcome, const QString& host, int port,
                    std::chrono::milliseconds timeout) {
    if (outcome == DisplaySession::Outcome::Closed) {
        return QStringLiteral("%1:%2 closed the connection before it answered").arg(host).arg(port);
    }
    return QStringLiteral("no answer from %1:%2 within %3 s")
        .arg(host)
        .arg(port)
        .arg(double(timeout.count()) / 1000.0);
}

}  // namespace zul::ctl
