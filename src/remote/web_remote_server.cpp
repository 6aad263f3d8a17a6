#include "remote/web_remote_server.h"

#include <QFile>
#include <QHostInfo>
#include <QHttpServerRequest>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "protocol/connection.h"
#include "protocol/packet_executor.h"
#include "protocol/receive_log.h"
#include "remote/request_gate.h"
#include "remote/web_api.h"
#include "remote/web_remote.h"

namespace zul {
namespace {

constexpr QWebSocketProtocol::CloseCode kWrongKeyClose =
    static_cast<QWebSocketProtocol::CloseCode>(4001);

// Where the replies of one request go: collected, then answered as JSON.
class CollectingConnection : public PacketConnection {
public:
    explicit CollectingConnection(QString peer) : peer_(std::move(peer)) {}
    void send(const QByteArray& bytes) override {
        if (bytes_.size() + bytes.size() > WebRemoteServer::kMaxReplyBytes) {
            truncated = true;
            return;
        }
        bytes_ += bytes;
    }
    QString peerName() const override { return peer_; }
    const QByteArray& bytes() const { return bytes_; }
    bool truncated = false;

private:
    QString peer_;
    QByteArray bytes_;
};

QString peerText(const QHttpServerRequest& request) {
    QHostAddress a = request.remoteAddress();
    bool mapped = false;
    const quint32 v4 = a.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : a.toString();
}

QByteArray headerValue(const QHttpServerRequest& request, QByteArrayView name) {
    for (const auto& [key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

struct StaticFile {
    const char* path;
    const char* resource;
    const char* type;
};

constexpr StaticFile kPages[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8"},
    {"/index.html", ":/web/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/web/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/web/style.css", "text/css; charset=utf-8"},
};

}  // namespace

WebRemoteServer::WebRemoteServer(WebRemote& remote, QObject* parent)
    : QAbstractHttpServer(parent), remote_(remote) {
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this,
            &WebRemoteServer::onWebSocket);
}

WebRemoteServer::~WebRemoteServer() {
    for (Client& c : sockets_) {
        c.socket->disconnect(this);
        c.socket->abort();
    }
}

QList<QHostAddress> WebRemoteServer::listenOn(const QList<QHostAddress>& addresses, quint16 port) {
    QList<QHostAddress> opened;
    GateLimits limits;
    limits.ownNames = {QStringLiteral("localhost"), QHostInfo::localHostName()};
    for (const QHostAddress& address : addresses) {
        auto* gate = new RequestGate([this](const QString& line) { remote_.log().add(line); },
                                     limits, open_);
        if (!gate->listen(address, port)) {
            remote_.log().add(QStringLiteral("ブラウザ操作：%1:%2 で待ち受けできません（%3）")
                                  .arg(address.toString())
                                  .arg(port)
                                  .arg(gate->errorString()));
            delete gate;
            continue;
        }
        bind(gate);  // the HTTP server takes the gate as its child
        gates_.push_back(gate);
        opened << address;
    }
    return opened;
}

void WebRemoteServer::closeListeners() {
    closed_ = true;
    for (RequestGate* gate : gates_) {
        gate->close();
        gate->dropWaiting();
    }
}

bool WebRemoteServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (headerValue(request, "upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
        // The handshake follows once this returns; the socket is the WebSocket's from here.
        return true;
    }
    // One request per connection: what else the client sends is not parsed (it would
    // overwrite this request while a packet lets events run).
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->setProperty(RequestGate::kBusyProperty, true);
    ++busy_;
    const QPointer<QTcpSocket> guard(socket);
    try {
        route(request, socket);
    } catch (...) {
        const QString message = describeCurrentException();
        remote_.log().add(QStringLiteral("ブラウザ操作：応答に失敗しました（%1）").arg(message));
        if (!guard.isNull()) {
            answerError(request, socket, 500, message);
        }
    }
    --busy_;
    if (!guard.isNull()) {
        // The answer goes to the network now: the server may be gone before the event loop
        // next writes.
        socket->flush();
        socket->setProperty(RequestGate::kBusyProperty, false);
        QTimer::singleShot(0, socket, [socket] { socket->disconnectFromHost(); });
    }
    if (busy_ == 0 && idle) {
        idle();
    }
    return true;
}

void WebRemoteServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    answerError(request, socket, 404, QStringLiteral("そのページはありません。"));
}

void WebRemoteServer::route(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QString path = request.url().path();
    const auto method = request.method();
    if (closed_) {
        // Stopped while this request was on its way.
        answerError(request, socket, 503, QStringLiteral("ブラウザ操作の受け付けを終えました。"));
        return;
    }
    if (!path.startsWith(QLatin1String("/api/"))) {
        if (method != QHttpServerRequest::Method::Get) {
            answerError(request, socket, 405, QStringLiteral("この方法では使えません。"));
            return;
        }
        servePage(request, socket, path);
        return;
    }
    if (!sameOrigin(headerValue(request, "origin"), headerValue(request, "host"))) {
        remote_.log().add(
            QStringLiteral("ブラウザ操作：別のサイトのページ（%1）からの要求を断りました")
                .arg(QString::fromUtf8(headerValue(request, "origin").left(100))));
        answerError(request, socket, 403,
                    QStringLiteral("別のサイトのページからは操作できません。"));
        return;
    }
    if (!keyAccepted(request)) {
        remote_.log().add(
            QStringLiteral("ブラウザ操作：%1 のアクセスキーが違うため断りました（%2）")
                .arg(peerText(request), path.left(100)));
        answerError(request, socket, 401, QStringLiteral("アクセスキーが違います"));
        return;
    }
    const bool get = method == QHttpServerRequest::Method::Get;
    const bool post = method == QHttpServerRequest::Method::Post;
    if (path == QLatin1String("/api/packet") && post) {
        runPacket(request, socket);
    } else if (path == QLatin1String("/api/state") && get) {
        answer(request, socket, 200, "application/json; charset=utf-8", remote_.stateBody());
    } else if (path == QLatin1String("/api/script") && post) {
        readScript(request, socket);
    } else if (path == QLatin1String("/api/screen.jpg") && get) {
        const QByteArray jpeg = remote_.screenJpeg();
        if (jpeg.isEmpty()) {
            answerError(request, socket, 503, QStringLiteral("表示画面の画像がまだありません。"));
        } else {
            answer(request, socket, 200, "image/jpeg", jpeg);
        }
    } else if (path == QLatin1String("/api/packet") || path == QLatin1String("/api/state") ||
               path == QLatin1String("/api/script") || path == QLatin1String("/api/screen.jpg")) {
        answerError(request, socket, 405, QStringLiteral("この方法では使えません。"));
    } else {
        answerError(request, socket, 404, QStringLiteral("そのAPIはありません。"));
    }
}

bool WebRemoteServer::keyAccepted(const QHttpServerRequest& request) const {
    const QString expected = remote_.settings().WebKey();
    if (expected.isEmpty()) {
        return true;
    }
    QString offered = QString::fromUtf8(headerValue(request, "x-zul-key"));
    if (offered.isEmpty()) {
        offered = request.query().queryItemValue(QStringLiteral("key"), QUrl::FullyDecoded);
    }
    return keyMatches(offered, expected);
}

void WebRemoteServer::answer(const QHttpServerRequest& request, QTcpSocket* socket, int status,
                             const QByteArray& contentType, const QByteArray& body) {
    if (socket->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
    responder.writeHeader("Content-Type", contentType);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    // The page is never shown inside another site's page.
    responder.writeHeader("X-Frame-Options", "DENY");
    responder.writeHeader("Content-Security-Policy", "frame-ancestors 'none'");
    responder.writeHeader("Connection", "close");
    responder.writeBody(body);
}

void WebRemoteServer::answerError(const QHttpServerRequest& request, QTcpSocket* socket, int status,
                                  const QString& message) {
    answer(request, socket, status, "application/json; charset=utf-8", errorJson(message));
}

void WebRemoteServer::servePage(const QHttpServerRequest& request, QTcpSocket* socket,
                                const QString& path) {
    for (const StaticFile& page : kPages) {
        if (path != QLatin1String(page.path)) {
            continue;
        }
        QFile file(QString::fromLatin1(page.resource));
        if (!file.open(QIODevice::ReadOnly)) {
            break;
        }
        answer(request, socket, 200, page.type, file.readAll());
        return;
    }
    answerError(request, socket, 404, QStringLiteral("そのページはありません。"));
}

void WebRemoteServer::runPacket(const QHttpServerRequest& request, QTcpSocket* socket) {
    const PacketRequest parsed = parsePacketRequest(request.body());
    if (!parsed.ok()) {
        remote_.log().add(QStringLiteral("ブラウザ操作：%1 の要求を断りました（%2）")
                              .arg(peerText(request), parsed.error));
        answerError(request, socket, 400, parsed.error);
        return;
    }
    remote_.log().add(displayReceiveLine(parsed.packet));
    CollectingConnection replies(QStringLiteral("ブラウザ(%1)").arg(peerText(request)));
    const QPointer<QTcpSocket> alive(socket);
    try {
        remote_.executor().ExecutePacket(parsed.packet, &replies);
    } catch (...) {
        const QString message = describeCurrentException();
        remote_.errors().reportError(message);
        if (!alive.isNull()) {
            answerError(request, socket, 500, message);
        }
        return;
    }
    if (alive.isNull()) {
        return;
    }
    if (replies.truncated) {
        remote_.log().add(
            QStringLiteral("ブラウザ操作：返答が%1バイトを超えたため残りを省きました。")
                .arg(kMaxReplyBytes));
    }
    answer(request, socket, 200, "application/json; charset=utf-8", repliesJson(replies.bytes()));
}

void WebRemoteServer::readScript(const QHttpServerRequest& request, QTcpSocket* socket) {
    QByteArray bytes = request.body();
    const QString encoding = request.query().queryItemValue(QStringLiteral("encoding"));
    if (encoding.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0) {
        bytes = cp932::encode(QString::fromUtf8(bytes));
    }
    std::vector<ScriptLine> lines = scriptLines(bytes, kMaxScriptLines + 1);
    const bool truncated = std::ssize(lines) > kMaxScriptLines;
    if (truncated) {
        lines.resize(kMaxScriptLines);
    }
    answer(request, socket, 200, "application/json; charset=utf-8", scriptJson(lines, truncated));
}

void WebRemoteServer::onWebSocket() {
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> ws = nextPendingWebSocketConnection();
        if (!ws) {
            continue;
        }
        ws->setMaxAllowedIncomingFrameSize(kMaxIncomingMessage);
        ws->setMaxAllowedIncomingMessageSize(kMaxIncomingMessage);
        const QUrl url = ws->requestUrl();
        const QString expected = remote_.settings().WebKey();
        const QString offered =
            QUrlQuery(url).queryItemValue(QStringLiteral("key"), QUrl::FullyDecoded);
        QWebSocket* raw = ws.get();
        if (!sameOrigin(raw->origin().toUtf8(), url.authority().toUtf8())) {
            remote_.log().add(
                QStringLiteral(
                    "ブラウザ操作：別のサイトのページ（%1）からの接続を断りました（/ws）")
                    .arg(raw->origin().left(100)));
            raw->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("origin"));
        } else if (url.path() != QLatin1String("/ws")) {
            raw->close(QWebSocketProtocol::CloseCodeBadOperation, QStringLiteral("not found"));
        } else if (!expected.isEmpty() && !keyMatches(offered, expected)) {
            remote_.log().add(
                QStringLiteral("ブラウザ操作：%1 のアクセスキーが違うため断りました（/ws）")
                    .arg(raw->peerAddress().toString()));
            raw->close(kWrongKeyClose, QStringLiteral("key"));
        } else if (static_cast<int>(sockets_.size()) >= kMaxSockets) {
            raw->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("busy"));
        } else {
            connect(raw, &QWebSocket::disconnected, this, [this, raw] { dropClient(raw); });
            connect(raw, &QWebSocket::bytesWritten, this, [this, raw](qint64 n) {
                for (Client& c : sockets_) {
                    if (c.socket.get() == raw) {
                        c.unsent = std::max<qint64>(0, c.unsent - n);
                    }
                }
            });
            sockets_.push_back(Client{std::move(ws), 0, false});
            sendTo(sockets_.back(), remote_.stateBody(true));
            continue;
        }
        // Refused: it goes once its close is through.
        QWebSocket* refused = ws.release();
        connect(refused, &QWebSocket::disconnected, refused, &QObject::deleteLater);
        QTimer::singleShot(5000, refused, [refused] { refused->abort(); });
    }
}

void WebRemoteServer::closeWebSockets() {
    for (Client& c : sockets_) {
        if (!c.closing) {
            c.closing = true;
            QWebSocket* socket = c.socket.get();
            QMetaObject::invokeMethod(
                socket, [socket] { socket->close(kWrongKeyClose, QStringLiteral("key")); },
                Qt::QueuedConnection);
        }
    }
}

void WebRemoteServer::pushState(const QByteArray& json) {
    if (json == lastPushed_) {
        return;
    }
    lastPushed_ = json;
    for (Client& c : sockets_) {
        sendTo(c, json);
    }
}

void WebRemoteServer::sendTo(Client& client, const QByteArray& json) {
    if (client.closing) {
        return;
    }
    if (client.unsent > kMaxUnsentPush) {
        remote_.log().add(QStringLiteral("ブラウザ操作：%1 が受け取らないため、接続を閉じました。")
                              .arg(client.socket->peerAddress().toString()));
        // Closed from the event loop: the list of clients may be being walked now.
        client.closing = true;
        QMetaObject::invokeMethod(client.socket.get(), &QWebSocket::abort, Qt::QueuedConnection);
        return;
    }
    client.unsent += client.socket->sendTextMessage(QString::fromUtf8(json));
}

void WebRemoteServer::dropClient(QWebSocket* socket) {
    for (auto it = sockets_.begin(); it != sockets_.end(); ++it) {
        if (it->socket.get() == socket) {
            // Not deleted inside its own signal.
            it->socket.release()->deleteLater();
            sockets_.erase(it);
            return;
        }
    }
}

}  // namespace zul
