#pragma once

// The packet mirror: a display machine passes every packet it executes on to one further
// display machine, the mirror target, over a TCP connection of its own (for the target it
// is one more operator connection). The connection introduces itself with this machine's
// identity, recovers from errors by reconnecting (five attempts at once, then four more
// every 10 seconds), and never queues: a packet executed while the link is not established
// is lost for the target. The identity check on the receiving side cuts rings of mirrors.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "protocol/mirror_sink.h"

namespace zul {

class DebugLog;
class ErrorSink;
class PacketConnection;
class StatusBroadcaster;
struct HubState;
struct Settings;

class PacketMirror : public QObject, public MirrorSink {
    Q_OBJECT
public:
    // Consecutive failed attempts after which the link waits for the retry timer.
    static constexpr int kMaxTries = 5;
    static constexpr int kRetryIntervalMs = 10000;
    // Bytes the link may hold unsent for a target that does not read. Past this the link
    // counts as failed and is rebuilt, rather than the queue growing without end.
    static constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

    PacketMirror(Settings& settings, HubState& hub, DebugLog& log, ErrorSink& errors,
                 StatusBroadcaster& status, QObject* parent = nullptr);
    ~PacketMirror() override;

    // Whether the display role runs: the mirror switch acts only then.
    std::function<bool()> displayOpen;

    // Opens the link to MirrorName:MirrorPort. A link that is already open or opening to
    // that target stays as it is; one to another target is closed first.
    void open();
    // Closes the link; nothing is reported and no retry follows.
    void close();
    // The failure notice: close the link and open it again.
    void reconnect();

    // The mirror switch changed: open or close the link while the display role runs.
    void MirrorSelClick();
    // Every 10 seconds: a link that gave up gets four more attempts.
    void MirrorBindTimer();
    QTimer& mirrorBind() { return MirrorBind; }

    // The identity check of a received CmdMirrorId packet, `from` the connection that
    // brought it (none for an internal packet). Returns whether the packet is to be handed
    // over along this machine's own mirror.
    bool CmdMirrorId(QByteArrayView identity, PacketConnection* from);

    bool isActive() const;
    bool isEstablished() const { return MirrorSocket.state() == QAbstractSocket::ConnectedState; }
    int errorCount() const { return errorCount_; }
    QString targetHost() const { return host_; }
    int targetPort() const { return port_; }

    bool mirrorWanted() const override;
    void mirrorPacket(const QByteArray& packet) override;

Q_SIGNALS:
    // Text for the hub's status bar.
    void statusChanged(const QString& text);

private:
    void activate();
    void MirrorSocketConnect();
    void MirrorSocketRead();
    void MirrorSocketWrite();
    void MirrorSocketError(const QString& message);
    void loopFound(QByteArrayView stored, QByteArrayView received);

    Settings& settings_;
    HubState& hub_;
    DebugLog& log_;
    ErrorSink& errors_;
    StatusBroadcaster& status_;
    QTcpSocket MirrorSocket;
    QTimer MirrorBind;
    QString host_ = QStringLiteral("localhost");
    int port_ = 30000;
    int errorCount_ = 0;
    // Counts opens and closes, so that a retry queued before a close never reopens.
    quint64 generation_ = 0;
    bool retryPending_ = false;
    // The writable event: logged when the link first can send, and again when a backlog
    // of unsent packets has drained.
    bool writableLogged_ = false;
};

}  // namespace zul
