#include "ctl/session.h"

#include "ctl/answer.h"

namespace zul::ctl {
namespace {

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

double seconds(std::chrono::milliseconds t) {
    return double(t.count()) / 1000.0;
}

// Why the connection could not be made: the usual causes in our own words, Qt's text for
// the rest.
QString connectFailure(const QTcpSocket& socket, std::chrono::milliseconds timeout) {
    switch (socket.error()) {
        case QAbstractSocket::SocketTimeoutError:
            return QStringLiteral("%1 秒以内につながりません").arg(seconds(timeout));
        case QAbstractSocket::ConnectionRefusedError:
            return QStringLiteral(
                "接続を拒否されました（表示機が起動していないか、ポートが違います）");
        case QAbstractSocket::HostNotFoundError:
            return QStringLiteral("ホストが見つかりません");
        case QAbstractSocket::NetworkError:
            return QStringLiteral("ネットワークに届きません");
        default:
            return socket.errorString();
    }
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
    const QString reason = connectFailure(socket_, timeout);
    socket_.abort();
    return QStringLiteral("%1:%2 に接続できません：%3").arg(host).arg(port).arg(reason);
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
        return QStringLiteral("%1:%2 が応答の前に接続を切りました").arg(host).arg(port);
    }
    return QStringLiteral("%1:%2 から %3 秒以内に応答がありません")
        .arg(host)
        .arg(port)
        .arg(seconds(timeout));
}

}  // namespace zul::ctl
