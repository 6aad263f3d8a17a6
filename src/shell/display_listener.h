#pragma once

// The display machine's TCP listener: any number of operator connections, each with its
// own reassembly buffer (discarded when it closes, so two operators' half packets never
// mix). Received packets run in the interpreter with the connection they came from, so
// replies go only to the asking operator.
//
// A read runs packets for a few milliseconds at most, then returns to the event loop (the
// screen paints, other operators are heard) and carries on with what is left in a posted
// call of its own, in the same order. What an operator sent before it closed its end is
// still run.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <vector>

#include "platform/tcp_close_probe.h"
#include "protocol/connection.h"
#include "protocol/packet_splitter.h"

namespace zul {

class DebugLog;
class DisplayReader;
class ErrorSink;
class WatchDogService;
struct HubState;

// One accepted operator connection.
class OperatorLink : public QObject, public PacketConnection {
    Q_OBJECT
public:
    explicit OperatorLink(QTcpSocket* socket, QObject* parent = nullptr);

    // Called, once, when the operator left more than kMaxUnsentBytes unread; the link is
    // closed right after.
    std::function<void(qint64 unsent)> onOverflow;
    ~OperatorLink() override;

    void send(const QByteArray& bytes) override;

    // Posts a call of `work` that the event loop makes after the paints it has waiting.
    void postAfterPaints(std::function<void()> work);
    QString peerName() const override { return peer_; }

    QTcpSocket* socket() const { return socket_; }
    PacketSplitter& buffer() { return buffer_; }
    // Tells a reset by the operator from an orderly close.
    TcpCloseProbe& closeProbe() { return probe_; }

    // Read events in progress on this link (a nested one runs inside a handler that lets
    // events run); the link is deleted only when none is.
    int readDepth = 0;
    bool closed = false;
    // A call that goes on with the buffered input is posted.
    bool readQueued = false;
    // When the packets of the pass before that call stopped (the listener's clock, ms), and
    // how long the listener had spent running packets by then.
    qint64 packetsStoppedAt = -1;
    qint64 readingAtStop = 0;

protected:
    bool event(QEvent* e) override;

private:
    QTcpSocket* socket_;
    std::function<void()> posted_;
    QString peer_;
    PacketSplitter buffer_;
    TcpCloseProbe probe_;
};

class DisplayListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kListenBacklog = 1024;
    // How long one read runs packets before it lets the event loop run (and paint). While
    // input waits, a pass and what the event loop does before the next one make a frame, so
    // that the screen is painted once per frame, not after every few packets; when the
    // event loop takes longer than that (a slow paint of a huge window), the pass runs as
    // long again, up to kMaxReadSliceMs, so that the packets are not starved. The passes of
    // other connections are not the event loop's share: counted as such, busy operators
    // would lengthen each other's passes until the event loop ran once in seconds.
    static constexpr qint64 kReadSliceMs = 4;
    static constexpr qint64 kFrameMs = 16;
    static constexpr qint64 kMaxReadSliceMs = 1000;
    // Bytes taken from the socket at a time, and held unread at most: a faster sender
    // waits in TCP instead of filling memory.
    static constexpr qint64 kReadChunkBytes = 64 * 1024;
    static constexpr qint64 kReadBufferBytes = 1024 * 1024;

    DisplayListener(HubState& hub, DisplayReader& reader, WatchDogService& watchdog,
                    ErrorSink& errors, DebugLog& log, QObject* parent = nullptr);
    ~DisplayListener() override;

    // Listens on `port` on every local address; an open listener on the same port stays as
    // it is. Returns false when the port cannot be opened.
    bool open(int port);
    // Closes the listener and every connection (each close counts down OperatorCount).
    void close();
    bool isOpen() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    int connectionCount() const { return static_cast<int>(links_.size()); }
    QString errorString() const { return server_.errorString(); }

    // The watchdog's reset: every connection's partial packet is dropped.
    void clearBuffers();

    // Reads stop running packets, at once and for every connection, while `interrupted`
    // says so: the program is to end, and the quit waits for the event loop, which a read
    // with a long backlog would otherwise hold for its whole pass.
    void setInterrupt(std::function<bool()> interrupted) { interrupted_ = std::move(interrupted); }

    // Status text of the hub: "表示機として起動中：%d機接続中" with `suffix`.
    QString statusText(const QString& suffix = {}) const;

Q_SIGNALS:
    void statusChanged(const QString& text);
    // The listener started or stopped listening (the display role began or ended).
    void openChanged(bool open);

private:
    void onNewConnection();
    void onRead(OperatorLink* link);
    bool interrupted() const { return interrupted_ && interrupted_(); }
    // Packets or bytes of the link that have not run yet.
    static bool pendingInput(OperatorLink* link);
    void queueRead(OperatorLink* link);
    qint64 sliceFor(OperatorLink* link);
    void onDisconnected(OperatorLink* link);
    void onError(OperatorLink* link, QAbstractSocket::SocketError error);
    void retire(OperatorLink* link);

    HubState& hub_;
    DisplayReader& reader_;
    WatchDogService& watchdog_;
    ErrorSink& errors_;
    DebugLog& log_;
    QTcpServer server_;
    std::vector<QPointer<OperatorLink>> links_;
    // Read events on the stack, of all connections together.
    int readsRunning_ = 0;
    QElapsedTimer clock_;
    // Time that passes have spent running packets, of all connections together (a pass
    // nested in another one's packets counted once).
    qint64 readingMs_ = 0;
    std::function<bool()> interrupted_;
};

}  // namespace zul
