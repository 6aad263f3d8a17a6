#include "shell/operator_connection.h"

#include <QCoreApplication>

#include "commands/display_reader.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "protocol/receive_log.h"
#include "services/watchdog.h"

namespace zul {

OperatorConnection::OperatorConnection(HubState& hub, DebugLog& log, Dialogs& dialogs,
                                       ErrorSink& errors, WatchDogService& watchdog,
                                       QObject* parent)
    : QObject(parent),
      hub_(hub),
      log_(log),
      dialogs_(dialogs),
      errors_(errors),
      watchdog_(watchdog) {
    connect(&socket_, &QTcpSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState s) { onStateChanged(s); });
    connect(&socket_, &QTcpSocket::connected, this,
            [this] { guarded(errors_, [this] { onConnected(); }); });
    connect(&socket_, &QTcpSocket::readyRead, this,
            [this] { guarded(errors_, [this] { onRead(); }); });
    connect(&socket_, &QTcpSocket::disconnected, this,
            [this] { guarded(errors_, [this] { onDisconnected(); }); });
    connect(&socket_, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { guarded(errors_, [&] { onError(e); }); });
    connect(&socket_, &QTcpSocket::bytesWritten, this, [this] {
        Q_EMIT hubStatus(QStringLiteral("操作機として起動：待機中"));
        Q_EMIT consoleStatus(QStringLiteral("待機中"), kWhite);
    });
}

OperatorConnection::~OperatorConnection() {
    socket_.disconnect(this);
    socket_.abort();
}

bool OperatorConnection::open(const QString& host, int port) {
    if (isEstablished()) {
        return host == host_ && port == port_;
    }
    host_ = host;
    port_ = port;
    connectNow();
    return true;
}

void OperatorConnection::connectNow() {
    socket_.abort();
    buffer_.clear();
    socket_.connectToHost(host_, static_cast<quint16>(port_));
}

void OperatorConnection::close() {
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
        return;
    }
    // abort() raises the disconnected signal at once when the connection was established.
    socket_.abort();
}

void OperatorConnection::reconnect() {
    if (!isEstablished()) {
        return;
    }
    hub_.Reconnecting = true;
    close();
    connectNow();
}

void OperatorConnection::send(const QByteArray& bytes) {
    if (isEstablished()) {
        socket_.write(bytes);
    }
}

void OperatorConnection::onStateChanged(QAbstractSocket::SocketState state) {
    if (state == QAbstractSocket::UnconnectedState) {
        probe_.release();
    }
    if (state == QAbstractSocket::HostLookupState) {
        Q_EMIT hubStatus(QStringLiteral("操作機として起動中：表示機の捜索中"));
        Q_EMIT consoleStatus(QStringLiteral("PC検索中"), kWhite);
    } else if (state == QAbstractSocket::ConnectingState) {
        Q_EMIT hubStatus(QStringLiteral("操作機として接続中・・・"));
        Q_EMIT consoleStatus(QStringLiteral("PC接続中"), kWhite);
    }
}

void OperatorConnection::onConnected() {
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    probe_.watch(socket_.socketDescriptor());
    Q_EMIT hubStatus(QStringLiteral("操作機として起動：待機中"));
    Q_EMIT consoleStatus(QStringLiteral("表示機へ接続"), kAqua);
    hub_.ReconnectTries = 0;
    log_.add(QStringLiteral("【表示機へ接続しました】"));
    Q_EMIT connectedToDisplay();
}

void OperatorConnection::onRead() {
    Q_EMIT hubStatus(QStringLiteral("操作機として起動：受信中"));
    Q_EMIT consoleStatus(QStringLiteral("データ受信中"), kSkyBlue);
    watchdog_.start();
    // Data that arrives while a reply is processed is not signalled again: read until
    // nothing is left.
    while (socket_.bytesAvailable() > 0) {
        splitAndProcess(socket_.readAll());
    }
    watchdog_.stop();
    QCoreApplication::processEvents();
    Q_EMIT hubStatus(QStringLiteral("操作機として起動：ユーザ指示待ち"));
    Q_EMIT consoleStatus(QStringLiteral("指示待ち"), kWhite);
    if (socket_.bytesAvailable() > 0) {
        QMetaObject::invokeMethod(
            this, [this] { guarded(errors_, [this] { onRead(); }); }, Qt::QueuedConnection);
    }
}

void OperatorConnection::splitAndProcess(const QByteArray& bytes) {
    feedPackets(
        buffer_, bytes, log_, errors_,
        [this](const QByteArray& packet) {
            Q_EMIT consoleStatus(QStringLiteral("解析中"), kWhite);
            return operatorReceiveLine(packet);
        },
        [this](const QByteArray& packet) {
            if (processReply) {
                processReply(packet, this);
            }
        });
}

void OperatorConnection::onDisconnected() {
    Q_EMIT disconnectedFromDisplay();
    Q_EMIT consoleStatus(QStringLiteral("接続終了"), kYellow);
    Q_EMIT hubStatus(QStringLiteral("接続終了"));
    buffer_.clear();
    if (hub_.Reconnecting) {
        hub_.Reconnecting = false;
        log_.add(QStringLiteral("【表示機への接続を終了/再処理待ち】"));
        Q_EMIT hubStatus(QStringLiteral("操作機として再起動中・・・"));
        return;
    }
    close();
    log_.add(QStringLiteral("【表示機への接続を終了】"));
    Q_EMIT hubStatus(QStringLiteral("接続終了：ユーザ指示待ち"));
    dialogs_.message(QStringLiteral("接続が切れたので、メインへ戻ります"),
                     QStringLiteral("接続終了"));
    Q_EMIT returnedToHub();
}

void OperatorConnection::onError(QAbstractSocket::SocketError error) {
    // A display machine that closes its end in order is a disconnect, which has its own
    // handling; a reset (reported alike by Qt) is a failure and recovers like one.
    const bool reset = error == QAbstractSocket::RemoteHostClosedError;
    if (reset && !probe_.resetByPeer()) {
        return;
    }
    const QString message = reset ? TcpCloseProbe::resetText() : socket_.errorString();
    log_.add(QStringLiteral("【通信故障を修復します】"));
    Q_EMIT hubStatus(QStringLiteral("操作機として起動：通信故障修復中"));
    Q_EMIT consoleStatus(QStringLiteral("通信故障を修復中"), kMoneyGreen);
    hub_.Reconnecting = true;
    ++hub_.ReconnectTries;
    if (isEstablished()) {
        close();
    }
    if (hub_.ReconnectTries < kMaxTries) {
        // Reopen as soon as the socket has finished reporting this error.
        QMetaObject::invokeMethod(
            this, [this] { connectNow(); }, Qt::QueuedConnection);
    } else {
        log_.add(QStringLiteral("【通信故障を修復できません】５トライ接続不可"));
        Q_EMIT hubStatus(QStringLiteral("切断：通信故障修復失敗"));
        Q_EMIT consoleStatus(QStringLiteral("接続中断(自動修復不可でした）"), kRed);
    }
    errors_.reportError(message);
}

}  // namespace zul
