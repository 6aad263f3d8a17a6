#pragma once

// The door of the browser remote. The HTTP parser reads whatever a client sends; in front of
// it a connection is held until its request head and whole body have arrived, each within
// its bound, and only then handed on. A client that sends too much, too slowly or too many
// connections gets a short JSON answer and is closed: memory stays bounded and the display
// never waits for a browser.

#include <QByteArrayView>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <vector>

namespace zul {

struct GateLimits {
    qsizetype headBytes = 16 * 1024;
    // The names this machine answers to besides its addresses ("localhost", its host name):
    // a request for any other name comes from a page that a foreign name points here.
    QStringList ownNames;
    qsizetype bodyBytes = 64 * 1024;
    qsizetype scriptBodyBytes = 1024 * 1024;  // POST /api/script carries a whole script file
};

// What the received bytes of a request are so far.
struct HeadCheck {
    enum class State { NeedMore, Ready, Refuse };
    State state = State::NeedMore;
    int status = 0;        // HTTP status when refused
    QString message;       // why, in Japanese
    qsizetype total = 0;   // bytes of head and body when ready
    bool upgrade = false;  // a WebSocket upgrade (no body; the socket stays open)
    bool expectContinue = false;
};

// Looks at the first bytes of a connection. Bodies need a Content-Length (chunked bodies
// are refused); the body bound depends on the path.
HeadCheck inspectHead(QByteArrayView bytes, const GateLimits& limits);

class RequestGate : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 32;
    static constexpr int kHeadTimeoutMs = 10000;
    // A handed-on plain request is closed after this long whatever it does.
    static constexpr int kRequestLifeMs = 30000;

    // The connections of every gate of one server, counted together.
    using OpenSockets = std::vector<QPointer<QTcpSocket>>;

    RequestGate(std::function<void(const QString&)> log, GateLimits limits,
                std::shared_ptr<OpenSockets> open, QObject* parent = nullptr);

    // Open connections of every kind (waiting, being answered, WebSockets), of all gates.
    int openConnections();
    // Closes the connections whose requests have not been handed on yet.
    void dropWaiting();

    // Set on a socket while its request is being answered: it is not closed under the answer.
    static constexpr const char* kBusyProperty = "zulBusy";
    // Closes a handed-on socket unless its request is being answered (then later).
    static void closeWhenIdle(QTcpSocket* socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void inspect(QTcpSocket* socket);
    void refuse(QTcpSocket* socket, int status, const QString& message);
    void handOn(QTcpSocket* socket, const HeadCheck& check);

    std::function<void(const QString&)> log_;
    GateLimits limits_;
    std::shared_ptr<OpenSockets> open_;
};

}  // namespace zul
