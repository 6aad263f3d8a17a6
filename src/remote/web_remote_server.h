#pragma once

// The HTTP and WebSocket side of the browser remote: routes, access key, answers and the
// pushed state. Lives only while the remote serves; WebRemote owns it.

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QHttpServerResponder>
#include <QList>
#include <QPointer>
#include <QTcpSocket>
#include <QWebSocket>
#include <functional>
#include <memory>
#include <vector>

namespace zul {

class RequestGate;
class WebRemote;

class WebRemoteServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    static constexpr int kMaxSockets = 16;
    static constexpr qint64 kMaxUnsentPush = 4 * 1024 * 1024;
    static constexpr qint64 kMaxIncomingMessage = 64 * 1024;
    static constexpr int kMaxScriptLines = 20000;
    static constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;

    WebRemoteServer(WebRemote& remote, QObject* parent = nullptr);
    ~WebRemoteServer() override;

    // Listens on each address; returns the addresses that could be opened.
    QList<QHostAddress> listenOn(const QList<QHostAddress>& addresses, quint16 port);
    void closeListeners();
    // Requests being answered now (a packet may let events run while it is).
    int busy() const { return busy_; }
    bool hasWebSockets() const { return !sockets_.empty(); }
    // Closes every WebSocket as for a wrong key (the key changed: pages ask for the new one).
    void closeWebSockets();
    // Sends the state to every WebSocket unless it is what they were sent last.
    void pushState(const QByteArray& json);

    // Called when the last request being answered has ended.
    std::function<void()> idle;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        qint64 unsent = 0;
        bool closing = false;
    };

    void route(const QHttpServerRequest& request, QTcpSocket* socket);
    bool keyAccepted(const QHttpServerRequest& request) const;
    void answer(const QHttpServerRequest& request, QTcpSocket* socket, int status,
                const QByteArray& contentType, const QByteArray& body);
    void answerError(const QHttpServerRequest& request, QTcpSocket* socket, int status,
                     const QString& message);
    void servePage(const QHttpServerRequest& request, QTcpSocket* socket, const QString& path);
    void runPacket(const QHttpServerRequest& request, QTcpSocket* socket);
    void readScript(const QHttpServerRequest& request, QTcpSocket* socket);
    void onWebSocket();
    void sendTo(Client& client, const QByteArray& json);
    void dropClient(QWebSocket* socket);

    WebRemote& remote_;
    std::vector<RequestGate*> gates_;
    std::shared_ptr<std::vector<QPointer<QTcpSocket>>> open_ =
        std::make_shared<std::vector<QPointer<QTcpSocket>>>();
    bool closed_ = false;
    std::vector<Client> sockets_;
    QByteArray lastPushed_;
    int busy_ = 0;
};

}  // namespace zul
