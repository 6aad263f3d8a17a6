#pragma once

// The operator machine's TCP connection to its display machine, with the status texts of
// each socket event and the automatic recovery: after an error it reopens at once, up to
// four times; a successful connect resets the count.

#include <QColor>
#include <QObject>
#include <QTcpSocket>
#include <functional>

#include "platform/tcp_close_probe.h"
#include "protocol/connection.h"
#include "protocol/packet_splitter.h"

namespace zul {

class DebugLog;
class Dialogs;
class ErrorSink;
class WatchDogService;
struct HubState;

class OperatorConnection : public QObject, public PacketConnection {
    Q_OBJECT
public:
    static constexpr int kMaxTries = 5;

    // Console status bar colours.
    static inline const QColor kWhite{255, 255, 255};
    static inline const QColor kAqua{0, 255, 255};
    static inline const QColor kSkyBlue{166, 202, 240};
    static inline const QColor kYellow{255, 255, 0};
    static inline const QColor kMoneyGreen{192, 220, 192};
    static inline const QColor kRed{255, 0, 0};

    OperatorConnection(HubState& hub, DebugLog& log, Dialogs& dialogs, ErrorSink& errors,
                       WatchDogService& watchdog, QObject* parent = nullptr);
    ~OperatorConnection() override;

    // Runs every received reply packet (the operator's reply processing).
    std::function<void(const QByteArray& packet, PacketConnection* connection)> processReply;

    // Opens the connection to host:port. Opening while established does nothing. Returns
    // false when the connection is established to another host or port (it cannot change
    // while open).
    bool open(const QString& host, int port);
    // Closes the connection; closing an established connection raises the disconnect
    // handling at once, before this returns.
    void close();
    bool isEstablished() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool isActive() const { return socket_.state() != QAbstractSocket::UnconnectedState; }

    // The failure notice asks every operator to reconnect.
    void reconnect();

    // The watchdog's reset.
    void clearBuffer() { buffer_.clear(); }

    void send(const QByteArray& bytes) override;
    QString peerName() const override { return host_; }

Q_SIGNALS:
    void hubStatus(const QString& text);
    void consoleStatus(const QString& text, const QColor& colour);
    // Established: hide the hub form and show the console.
    void connectedToDisplay();
    // The connection ended (for good or to be reopened).
    void disconnectedFromDisplay();
    // Lost for good: show the hub form and close the console.
    void returnedToHub();

private:
    void onStateChanged(QAbstractSocket::SocketState state);
    void onConnected();
    void onRead();
    void splitAndProcess(const QByteArray& bytes);
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void connectNow();

    HubState& hub_;
    DebugLog& log_;
    Dialogs& dialogs_;
    ErrorSink& errors_;
    WatchDogService& watchdog_;
    QTcpSocket socket_;
    TcpCloseProbe probe_;
    PacketSplitter buffer_;
    QString host_;
    int port_ = 0;
};

}  // namespace zul
