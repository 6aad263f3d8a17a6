#include "shell/display_listener.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <algorithm>
#include <utility>

#include "commands/display_reader.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "platform/errors.h"
#include "services/watchdog.h"

namespace zul {

OperatorLink::OperatorLink(QTcpSocket* socket, QObject* parent)
    : QObject(parent), socket_(socket), peer_(socket->peerAddress().toString()) {
    socket_->setParent(this);
    probe_.watch(socket_->socketDescriptor());
    connect(socket_, &QTcpSocket::stateChanged, this, [this](QAbstractSocket::SocketState s) {
        if (s == QAbstractSocket::UnconnectedState) {
            probe_.release();
        }
    });
    if (peer_.startsWith(QLatin1String("::ffff:"))) {
        peer_ = peer_.mid(7);
    }
}

OperatorLink::~OperatorLink() = default;

namespace {

const QEvent::Type kPostedWork = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

void OperatorLink::postAfterPaints(std::function<void()> work) {
    posted_ = std::move(work);
    // Widgets post their paints at low priority; this comes after them.
    QCoreApplication::postEvent(this, new QEvent(kPostedWork), Qt::LowEventPriority - 1);
}

bool OperatorLink::event(QEvent* e) {
    if (e->type() == kPostedWork) {
        if (posted_) {
            std::exchange(posted_, {})();
        }
        return true;
    }
    return QObject::event(e);
}

void OperatorLink::send(const QByteArray& bytes) {
    if (closed || socket_->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    const qint64 unsent = socket_->bytesToWrite() + bytes.size();
    if (unsent > kMaxUnsentBytes) {
        if (onOverflow) {
            onOverflow(unsent);
        }
        // Raises the disconnect handling, which retires the link.
        socket_->abort();
        return;
    }
    socket_->write(bytes);
}

DisplayListener::DisplayListener(HubState& hub, DisplayReader& reader, WatchDogService& watchdog,
                                 ErrorSink& errors, DebugLog& log, QObject* parent)
    : QObject(parent), hub_(hub), reader_(reader), watchdog_(watchdog), errors_(errors), log_(log) {
    clock_.start();
    connect(&server_, &QTcpServer::newConnection, this,
            [this] { guarded(errors_, [this] { onNewConnection(); }); });
}

DisplayListener::~DisplayListener() {
    // Nobody listens any more: closing the connections now must not report anything.
    blockSignals(true);
    for (const QPointer<OperatorLink>& link : links_) {
        if (link != nullptr) {
            link->socket()->disconnect();
            link->socket()->abort();
        }
    }
    server_.close();
}

bool DisplayListener::open(int port) {
    if (server_.isListening()) {
        if (server_.serverPort() == port) {
            return true;
        }
        close();
    }
    // Many operators may connect at once (a hall full of machines starting together).
    server_.setListenBacklogSize(kListenBacklog);
    if (!server_.listen(QHostAddress::AnyIPv4, static_cast<quint16>(port))) {
        return false;
    }
    Q_EMIT openChanged(true);
    return true;
}

void DisplayListener::close() {
    const bool wasOpen = server_.isListening();
    server_.close();
    if (wasOpen) {
        Q_EMIT openChanged(false);
    }
    // Copy: closing a socket emits disconnected, which edits the list.
    const auto links = links_;
    for (const QPointer<OperatorLink>& link : links) {
        if (link != nullptr && !link->closed) {
            // The packets already read but not yet run go too: a read below on the stack
            // would otherwise go on running them after the connection is gone.
            link->buffer().clear();
            link->socket()->abort();
        }
    }
}

QString DisplayListener::statusText(const QString& suffix) const {
    return QStringLiteral("表示機として起動中：%1機接続中").arg(hub_.OperatorCount) + suffix;
}

void DisplayListener::clearBuffers() {
    for (const QPointer<OperatorLink>& link : links_) {
        if (link != nullptr) {
            link->buffer().clear();
            // What the socket holds unread arrived before the reset as well.
            link->socket()->skip(link->socket()->bytesAvailable());
        }
    }
}

void DisplayListener::onNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto* link = new OperatorLink(socket, this);
        links_.emplace_back(link);
        link->onOverflow = [this, link](qint64 unsent) {
            log_.add(QStringLiteral("%1 が受信しないため未送信のデータが %2 バイトに達しました。"
                                    "この接続を切ります。")
                         .arg(link->peerName())
                         .arg(unsent));
        };
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setReadBufferSize(kReadBufferBytes);
        connect(socket, &QTcpSocket::readyRead, link,
                [this, link] { guarded(errors_, [&] { onRead(link); }); });
        connect(socket, &QTcpSocket::disconnected, link,
                [this, link] { guarded(errors_, [&] { onDisconnected(link); }); });
        connect(socket, &QTcpSocket::errorOccurred, link,
                [this, link](QAbstractSocket::SocketError e) { onError(link, e); });
        connect(socket, &QTcpSocket::bytesWritten, link,
                [this] { Q_EMIT statusChanged(statusText(QStringLiteral("／待機中"))); });
        ++hub_.OperatorCount;
        Q_EMIT statusChanged(statusText());
    }
}

void DisplayListener::onRead(OperatorLink* link) {
    if (link->closed && !pendingInput(link)) {
        retire(link);
        return;
    }
    // The link counts as being read until this handler returns, the events it lets run at
    // the end included: a link that closes meanwhile (its socket's signals come from inside
    // those events) is retired only here, after them, never while a signal of its own
    // socket is still on the stack.
    ++link->readDepth;
    ++readsRunning_;
    const auto readEnds = qScopeGuard([this] { --readsRunning_; });
    Q_EMIT statusChanged(statusText(QStringLiteral("／受信中")));
    watchdog_.start();
    // Packets left by the previous pass first, then what the socket holds, until the time
    // of this pass is up. The socket does not signal data that arrives while this handler
    // runs (a handler may let events run), so its bytes are read until none is left.
    const QDeadlineTimer deadline(sliceFor(link), Qt::PreciseTimer);
    const qint64 passStarted = clock_.elapsed();
    const qint64 readingBefore = readingMs_;
    const auto stop = [this] { return interrupted(); };
    bool left =
        link->buffer().hasPacket() && reader_.received(link->buffer(), {}, link, deadline, stop);
    while (!left && !deadline.hasExpired() && !interrupted() &&
           link->socket()->bytesAvailable() > 0) {
        left = reader_.received(link->buffer(), link->socket()->read(kReadChunkBytes), link,
                                deadline, stop);
    }
    watchdog_.stop();
    const qint64 packetsStopped = clock_.elapsed();
    // Passes that ran inside this one's packets (a handler let events run) are counted already.
    readingMs_ += (packetsStopped - passStarted) - (readingMs_ - readingBefore);
    const qint64 readingStopped = readingMs_;
    // Pending events run once, from the outermost read only. A read that runs inside them
    // (another operator's data) must not let events run again itself: each would nest the
    // next, without end while operators keep sending, and a connection whose read is
    // below them on the stack is not signalled again until they have all returned, so its
    // next packet would wait as long.
    if (!link->closed && readsRunning_ == 1) {
        QCoreApplication::processEvents();
    }
    --link->readDepth;
    if (link->closed && !pendingInput(link)) {
        retire(link);
        return;
    }
    if (!link->closed) {
        Q_EMIT statusChanged(statusText(QStringLiteral("／待機中")));
    }
    // The rest goes on in a pass of its own, after what the event loop has waiting (the
    // paint above all). A read further down the stack goes on by itself when it resumes.
    if (link->readDepth == 0 && pendingInput(link)) {
        queueRead(link);
        link->packetsStoppedAt = packetsStopped;
        link->readingAtStop = readingStopped;
    }
}

qint64 DisplayListener::sliceFor(OperatorLink* link) {
    const qint64 stopped = std::exchange(link->packetsStoppedAt, -1);
    if (stopped < 0) {
        return kReadSliceMs;
    }
    // The event loop's share since then (the paint above all), without the passes of the
    // other connections; the pass fills the rest of a frame, or takes as long again when
    // that share is longer.
    const qint64 others = clock_.elapsed() - stopped - (readingMs_ - link->readingAtStop);
    return std::clamp(std::max(kFrameMs - others, others), kReadSliceMs, kMaxReadSliceMs);
}

bool DisplayListener::pendingInput(OperatorLink* link) {
    return link->buffer().hasPacket() || link->socket()->bytesAvailable() > 0;
}

void DisplayListener::queueRead(OperatorLink* link) {
    if (link->readQueued) {
        return;
    }
    link->readQueued = true;
    link->postAfterPaints([this, link] {
        link->readQueued = false;
        if (link->readDepth == 0) {
            guarded(errors_, [&] { onRead(link); });
        }
    });
}

void DisplayListener::onDisconnected(OperatorLink* link) {
    if (link->closed) {
        return;
    }
    link->closed = true;
    --hub_.OperatorCount;
    Q_EMIT statusChanged(statusText());
    // What the operator sent before it closed its end still runs (its replies go nowhere).
    if (link->readDepth == 0 && pendingInput(link)) {
        queueRead(link);
        return;
    }
    retire(link);
}

void DisplayListener::onError(OperatorLink* link, QAbstractSocket::SocketError error) {
    // A peer that closes its end in order is an ordinary disconnect; a reset is a failure,
    // though Qt reports both alike.
    const bool reset = error == QAbstractSocket::RemoteHostClosedError;
    if (reset && !link->closeProbe().resetByPeer()) {
        return;
    }
    Q_EMIT statusChanged(statusText(QStringLiteral("／いくつかの操作機が通信故障")));
    errors_.reportError(reset ? TcpCloseProbe::resetText() : link->socket()->errorString());
}

void DisplayListener::retire(OperatorLink* link) {
    if (link->readDepth > 0 || link->readQueued) {
        return;  // the read event in progress, or the one to come, retires it when it ends
    }
    std::erase_if(links_,
                  [link](const QPointer<OperatorLink>& l) { return l == link || l.isNull(); });
    link->deleteLater();
}

}  // namespace zul
