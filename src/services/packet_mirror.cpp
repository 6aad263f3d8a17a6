#include "services/packet_mirror.h"

#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "protocol/command_table.h"
#include "protocol/connection.h"
#include "protocol/receive_log.h"
#include "services/mirror_identity.h"
#include "services/status_broadcaster.h"

namespace zul {
namespace {

const char* const kLoopMessage = "Error:メッセージループを検出。ミラー通信を遮断します。";

}  // namespace

PacketMirror::PacketMirror(Settings& settings, HubState& hub, DebugLog& log, ErrorSink& errors,
                           StatusBroadcaster& status, QObject* parent)
    : QObject(parent), settings_(settings), hub_(hub), log_(log), errors_(errors), status_(status) {
    connect(&MirrorSocket, &QTcpSocket::connected, this,
            [this] { guarded(errors_, [this] { MirrorSocketConnect(); }); });
    connect(&MirrorSocket, &QTcpSocket::readyRead, this,
            [this] { guarded(errors_, [this] { MirrorSocketRead(); }); });
    connect(&MirrorSocket, &QTcpSocket::bytesWritten, this,
            [this] { guarded(errors_, [this] { MirrorSocketWrite(); }); });
    connect(&MirrorSocket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        guarded(errors_, [this] { MirrorSocketError(MirrorSocket.errorString()); });
    });
    MirrorBind.setInterval(kRetryIntervalMs);
    connect(&MirrorBind, &QTimer::timeout, this,
            [this] { guarded(errors_, [this] { MirrorBindTimer(); }); });
    MirrorBind.start();
}

PacketMirror::~PacketMirror() {
    MirrorSocket.disconnect(this);
    MirrorSocket.abort();
}

bool PacketMirror::isActive() const {
    return retryPending_ || MirrorSocket.state() != QAbstractSocket::UnconnectedState;
}

void PacketMirror::open() {
    const QString host = settings_.MirrorName();
    const int port = settings_.MirrorPort();
    if (isActive()) {
        if (host == host_ && port == port_) {
            return;
        }
        close();
    }
    host_ = host;
    port_ = port;
    activate();
}

void PacketMirror::activate() {
    ++generation_;
    retryPending_ = false;
    writableLogged_ = false;
    MirrorSocket.abort();
    MirrorSocket.connectToHost(host_, static_cast<quint16>(port_));
}

void PacketMirror::close() {
    ++generation_;
    retryPending_ = false;
    MirrorSocket.abort();
}

void PacketMirror::reconnect() {
    close();
    open();
}

void PacketMirror::MirrorSelClick() {
    if (!displayOpen || !displayOpen()) {
        return;
    }
    if (settings_.MirrorSel()) {
        open();
    } else {
        close();
    }
}

void PacketMirror::MirrorBindTimer() {
    if (errorCount_ >= kMaxTries && settings_.MirrorSel()) {
        errorCount_ = 1;
        if (!isActive()) {
            activate();
        }
    }
}

void PacketMirror::MirrorSocketConnect() {
    log_.add(QStringLiteral("PKT送信[M]:ミラーを確立"));
    errorCount_ = 0;
    MirrorSocket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    MirrorSocket.write(QByteArray(1, static_cast<char>(Cmd::CmdMirrorId)) + status_.hostName() +
                       '\n');
}

void PacketMirror::MirrorSocketRead() {
    // The target answers requests as it would answer an operator; nobody wants those here.
    MirrorSocket.readAll();
    log_.add(QStringLiteral("PKT送信[M]:ミラー受信"));
}

void PacketMirror::MirrorSocketWrite() {
    if (writableLogged_ || MirrorSocket.bytesToWrite() > 0) {
        return;
    }
    writableLogged_ = true;
    log_.add(QStringLiteral("PKT送信[M]:ミラー送信"));
}

void PacketMirror::MirrorSocketError(const QString& message) {
    log_.add(QStringLiteral("【通信故障を修復します】at Mirror"));
    Q_EMIT statusChanged(QStringLiteral("ミラーの通信故障修復中"));
    ++errorCount_;
    close();
    if (errorCount_ < kMaxTries) {
        // Again at once, as soon as the socket has finished reporting this error.
        retryPending_ = true;
        const quint64 generation = generation_;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == generation_ && retryPending_) {
                    activate();
                }
            },
            Qt::QueuedConnection);
    } else {
        log_.add(QStringLiteral("【Mirror通信故障を修復できません】５トライ接続不可"));
        Q_EMIT statusChanged(
            QStringLiteral("エラー：ミラーの通信障害が発生し、通信が途絶えています。"));
    }
    errors_.reportError(message);
}

bool PacketMirror::mirrorWanted() const {
    return settings_.MirrorSel() || isActive();
}

void PacketMirror::mirrorPacket(const QByteArray& packet) {
    // Until the link is established nothing is sent, not even queued for later.
    if (!isEstablished()) {
        return;
    }
    // A line feed ends a packet on the wire: what an internal packet holds after one would
    // reach the target as a packet of its own, which this machine never executed.
    const qsizetype end = packet.indexOf('\n');
    const QByteArray bytes = end < 0 ? packet + '\n' : packet.left(end + 1);
    if (end >= 0 && end + 1 < packet.size()) {
        log_.add(QStringLiteral("PKT送信[M]:パケット内の改行より後はミラーへ送りません。"));
    }
    const qint64 unsent = MirrorSocket.bytesToWrite() + bytes.size();
    if (unsent > kMaxUnsentBytes) {
        log_.add(QStringLiteral("PKT送信[M]:ミラー先が受信しないため未送信のデータが %1 "
                                "バイトに達しました。ミラー接続を作り直します。")
                     .arg(unsent));
        MirrorSocketError(QStringLiteral("ミラー先が受信しません。"));
        return;
    }
    if (MirrorSocket.bytesToWrite() > 0) {
        writableLogged_ = false;  // a backlog: the writable event is logged once it drained
    }
    MirrorSocket.write(bytes);
}

bool PacketMirror::CmdMirrorId(QByteArrayView identity, PacketConnection* from) {
    const QByteArrayView received = untilNul(identity);
    const bool introduction = from != nullptr && !from->mirrorIntroduced;
    if (from != nullptr) {
        from->mirrorIntroduced = true;
    }
    const QByteArray stored = hub_.MirrorIdentity;
    switch (judgeMirrorIdentity(stored, received, introduction)) {
        case MirrorIdentityVerdict::Acquired:
            hub_.MirrorIdentity = received.toByteArray();
            log_.add(cp932::encode(u"PKT受信[S]: ミラーID取得 (") + hub_.MirrorIdentity + ')');
            return true;
        case MirrorIdentityVerdict::Updated:
            log_.add(cp932::encode(u"PKT受信[S]: ミラーID更新 (") + stored + ')');
            hub_.MirrorIdentity = received.toByteArray();
            return true;
        case MirrorIdentityVerdict::Reintroduced:
            log_.add(cp932::encode(u"PKT受信[S]: ミラーID再接続 (") + stored + ')' +
                     cp932::encode(u"：同じミラー元がつなぎ直したため、先へは送りません。"));
            return false;
        case MirrorIdentityVerdict::Loop:
            loopFound(stored, received);
            return true;
    }
    return true;
}

void PacketMirror::loopFound(QByteArrayView stored, QByteArrayView received) {
    settings_.MirrorSel.set(false);
    close();
    log_.add(cp932::encode(u"PKT受信[S]: 自発信ミラーIDを発見 (") + stored.toByteArray() +
             " == " + received.toByteArray() + ')');
    log_.add(QString::fromUtf8(kLoopMessage));
    status_.SendStatusLine(cp932::encode(QString::fromUtf8(kLoopMessage)));
}

}  // namespace zul
