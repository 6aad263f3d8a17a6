#include "remote/request_gate.h"

#include <QRegularExpression>
#include <QTimer>
#include <algorithm>

#include "remote/web_api.h"

namespace zul {
namespace {

constexpr QByteArrayView kHeadEnd("\r\n\r\n");
constexpr int kRefusedLingerMs = 5000;

HeadCheck refusal(int status, const QString& message) {
    HeadCheck c;
    c.state = HeadCheck::State::Refuse;
    c.status = status;
    c.message = message;
    return c;
}

bool validRequestLine(QByteArrayView line) {
    static const QRegularExpression form(
        QStringLiteral("^[A-Z]{3,7} /[\\x21-\\x7e]* HTTP/1\\.[01]$"));
    return form.match(QString::fromLatin1(line)).hasMatch();
}

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 408:
            return "Request Timeout";
        case 411:
            return "Length Required";
        case 413:
            return "Payload Too Large";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

}  // namespace

HeadCheck inspectHead(QByteArrayView bytes, const GateLimits& limits) {
    const qsizetype lineEnd = bytes.indexOf(QByteArrayView("\r\n"));
    if (lineEnd >= 0 && !validRequestLine(bytes.first(lineEnd))) {
        return refusal(400, QStringLiteral("HTTPの要求行ではありません。"));
    }
    const qsizetype headEnd =
        bytes.first(std::min(bytes.size(), limits.headBytes)).indexOf(kHeadEnd);
    if (headEnd < 0) {
        if (bytes.size() >= limits.headBytes) {
            return refusal(431, QStringLiteral("要求のヘッダーが長すぎます。"));
        }
        return {};
    }
    const qsizetype headLength = headEnd + kHeadEnd.size();
    const QByteArrayView requestLine = bytes.first(lineEnd);
    const QByteArrayView target = requestLine.sliced(requestLine.indexOf(' ') + 1);
    const bool script = target.startsWith(QByteArrayView("/api/script"));

    HeadCheck check;
    qint64 length = 0;
    bool lengthSeen = false;
    bool connectionUpgrade = false;
    bool websocketKey = false;
    bool websocketVersion = false;
    // The header lines between the request line and the blank line (none when the head is
    // the request line alone).
    const QByteArray headers = headEnd > lineEnd
                                   ? bytes.sliced(lineEnd + 2, headEnd - lineEnd - 2).toByteArray()
                                   : QByteArray();
    for (const QByteArray& raw : headers.split('\n')) {
        if (raw.isEmpty()) {
            continue;
        }
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            return refusal(400, QStringLiteral("要求のヘッダーが正しくありません。"));
        }
        const QByteArray name = line.first(colon).trimmed().toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            if (!ok || n < 0 || (lengthSeen && n != length)) {
                return refusal(400, QStringLiteral("Content-Length が正しくありません。"));
            }
            length = n;
            lengthSeen = true;
        } else if (name == "transfer-encoding") {
            return refusal(411, QStringLiteral("本文には長さ（Content-Length）を付けてください。"));
        } else if (name == "upgrade") {
            check.upgrade = value.compare("websocket", Qt::CaseInsensitive) == 0;
        } else if (name == "connection") {
            for (const QByteArray& token : value.split(',')) {
                connectionUpgrade = connectionUpgrade ||
                                    token.trimmed().compare("upgrade", Qt::CaseInsensitive) == 0;
            }
        } else if (name == "sec-websocket-key") {
            websocketKey = !value.isEmpty();
        } else if (name == "sec-websocket-version") {
            websocketVersion = value == "13";
        } else if (name == "host") {
            if (!hostAllowed(value, limits.ownNames)) {
                return refusal(
                    403, QStringLiteral("このアドレスあての要求は受け付けません（Host: %1）。")
                             .arg(QString::fromLatin1(value.left(80))));
            }
        } else if (name == "expect") {
            check.expectContinue = value.compare("100-continue", Qt::CaseInsensitive) == 0;
        }
    }
    if (check.upgrade) {
        // Only a whole handshake is handed on: anything less would get no answer at all.
        if (!connectionUpgrade || !websocketKey || !websocketVersion) {
            return refusal(400, QStringLiteral("WebSocketの接続要求が正しくありません。"));
        }
        length = 0;  // a WebSocket's frames follow the head; they are not a body
    }
    const qsizetype bound = script ? limits.scriptBodyBytes : limits.bodyBytes;
    if (length > bound) {
        return refusal(413,
                       QStringLiteral("要求の本文が長すぎます（最大 %1 KiB）。").arg(bound / 1024));
    }
    check.total = headLength + static_cast<qsizetype>(length);
    check.state =
        bytes.size() >= check.total ? HeadCheck::State::Ready : HeadCheck::State::NeedMore;
    return check;
}

RequestGate::RequestGate(std::function<void(const QString&)> log, GateLimits limits,
                         std::shared_ptr<OpenSockets> open, QObject* parent)
    : QTcpServer(parent),
      log_(std::move(log)),
      limits_(std::move(limits)),
      open_(std::move(open)) {}

int RequestGate::openConnections() {
    std::erase_if(*open_, [](const QPointer<QTcpSocket>& s) {
        return s.isNull() || s->state() == QAbstractSocket::UnconnectedState;
    });
    return static_cast<int>(open_->size());
}

void RequestGate::dropWaiting() {
    for (QTcpSocket* socket : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
        if (socket->findChild<QTimer*>(QStringLiteral("gateTimer")) != nullptr) {
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
        }
    }
}

void RequestGate::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    if (openConnections() >= kMaxConnections) {
        refuse(socket, 503,
               QStringLiteral("接続が多すぎます。しばらくしてからやり直してください。"));
        return;
    }
    open_->emplace_back(socket);
    // The head and the largest body a request may have; more is not read from the network.
    socket->setReadBufferSize(limits_.headBytes + limits_.scriptBodyBytes);
    auto* timer = new QTimer(socket);
    timer->setObjectName(QStringLiteral("gateTimer"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, socket, [this, socket] {
        refuse(socket, 408, QStringLiteral("要求が時間内に届きませんでした。"));
    });
    timer->start(kHeadTimeoutMs);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { inspect(socket); });
}

void RequestGate::inspect(QTcpSocket* socket) {
    // Once the head was read, only the body's length is waited for: a body that comes in
    // small pieces is not looked through again for each one.
    const qint64 total = socket->property("zulTotal").toLongLong();
    if (total > 0 && socket->bytesAvailable() < total) {
        return;
    }
    const QByteArray bytes = socket->peek(socket->bytesAvailable());
    const HeadCheck check = inspectHead(bytes, limits_);
    switch (check.state) {
        case HeadCheck::State::Refuse:
            refuse(socket, check.status, check.message);
            return;
        case HeadCheck::State::NeedMore:
            if (check.total > 0) {
                socket->setProperty("zulTotal", static_cast<qint64>(check.total));
            }
            if (check.expectContinue && !socket->property("continued").toBool()) {
                socket->setProperty("continued", true);
                socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            }
            return;
        case HeadCheck::State::Ready:
            handOn(socket, check);
            return;
    }
}

void RequestGate::refuse(QTcpSocket* socket, int status, const QString& message) {
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    if (log_) {
        log_(QStringLiteral("ブラウザ操作：%1 からの要求を断りました（%2 %3）")
                 .arg(socket->peerAddress().toString())
                 .arg(status)
                 .arg(message));
    }
    const QByteArray body = errorJson(message);
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                  "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
    // A client that does not read its answer is not waited for long.
    if (auto* timer = socket->findChild<QTimer*>(QStringLiteral("gateTimer"))) {
        timer->disconnect();
        timer->stop();
    }
    QTimer::singleShot(kRefusedLingerMs, socket, [socket] { socket->abort(); });
}

void RequestGate::handOn(QTcpSocket* socket, const HeadCheck& check) {
    // From here the HTTP server (or, for an upgrade, the WebSocket handshake) owns the
    // socket's signals; a plain request still ends after a while whatever it does.
    delete socket->findChild<QTimer*>(QStringLiteral("gateTimer"));
    socket->disconnect(this);
    disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->setReadBufferSize(std::max<qsizetype>(check.total, limits_.headBytes));
    if (!check.upgrade) {
        QTimer::singleShot(kRequestLifeMs, socket, [socket] { closeWhenIdle(socket); });
    }
    addPendingConnection(socket);
    Q_EMIT newConnection();
    Q_EMIT socket->readyRead();
}

void RequestGate::closeWhenIdle(QTcpSocket* socket) {
    if (socket->property(kBusyProperty).toBool()) {
        QTimer::singleShot(kRequestLifeMs, socket, [socket] { closeWhenIdle(socket); });
        return;
    }
    socket->abort();
    socket->deleteLater();
}

}  // namespace zul
