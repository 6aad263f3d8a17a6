#include "services/udp_discovery.h"

#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/peer_list.h"
#include "model/settings.h"
#include "platform/Hmudp.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "protocol/packet_executor.h"
#include "protocol/udp_line.h"

namespace zul {

UdpDiscovery::UdpDiscovery(Settings& settings, HubState& hub, DebugLog& log, Dialogs& dialogs,
                           PacketExecutor& executor, PeerList& peers, QByteArray hostName,
                           QObject* parent)
    : QObject(parent),
      settings_(settings),
      hub_(hub),
      log_(log),
      dialogs_(dialogs),
      executor_(executor),
      peers_(peers),
      host_(std::move(hostName)),
      cards_(systemCardChoice),
      UdpSocket(std::make_unique<THmUdp>()) {
    UdpSocket->OnOpen = [this] { log_.add(QStringLiteral("PKT-OK[U]:[On Open]")); };
    UdpSocket->OnSent = [this] { log_.add(QStringLiteral("PKT-OK[U]:[On Send]")); };
    UdpSocket->OnClose = [this] {
        if (!exiting_) {
            log_.add(QStringLiteral("PKT-OK[U]:[On Close]"));
        }
    };
    UdpSocket->OnError = [this](THmErrorAt, bool&) {
        log_.add(QStringLiteral("PKT-ERR[U]:[On Error]"));
    };
    UdpSocket->OnReceive = [this](const QString& remoteHost, int, const QByteArray& data, bool) {
        UdpSocketReceive(remoteHost, data);
    };
    BCast.setInterval(kBroadcastIntervalMs);
    connect(&BCast, &QTimer::timeout, this, [this] {
        // A failed send was logged by the socket's handler; it also reaches the error
        // handler, and the next tick tries again.
        if (errorSink_ != nullptr) {
            guarded(*errorSink_, [this] { BCastTimer(); });
            return;
        }
        try {
            BCastTimer();
        } catch (...) {
        }
    });
    BCast.start();
}

UdpDiscovery::~UdpDiscovery() {
    close(true);
}

void UdpDiscovery::setErrorSink(ErrorSink* sink) {
    errorSink_ = sink;
    UdpSocket->setErrorSink(sink);
}

void UdpDiscovery::open() {
    try {
        UpdateBroadcastAddress();
        UdpSocket->Open(settings_.Port());
    } catch (...) {
        // Errors of this step are ignored at start; the socket's handler logged them.
    }
}

void UdpDiscovery::close(bool exiting) {
    exiting_ = exiting;
    if (exiting) {
        BCast.stop();
    }
    try {
        UdpSocket->Close();
    } catch (...) {
    }
}

void UdpDiscovery::UpdateBroadcastAddress() {
    CardChoice choice = cards_ ? cards_(nicSelected_) : CardChoice{};
    nicEntries_ = choice.entries;
    nicSelected_ = choice.selected;
    if (choice.address) {
        hub_.BroadcastAddress = *choice.address;
    } else if (hub_.BroadcastAddress.isEmpty()) {
        hub_.BroadcastAddress = kFallbackAddress;
    }
    log_.add(QByteArray("PKT-OK[U]:[IP_BC]") + hub_.BroadcastAddress);
    Q_EMIT nicListChanged();
}

bool UdpDiscovery::sendLine(const QByteArray& line) {
    return UdpSocket->Send(QString::fromLatin1(hub_.BroadcastAddress), settings_.Port(), line) >= 0;
}

QByteArray UdpDiscovery::role() const {
    if (hooks_.displayOpen && hooks_.displayOpen()) {
        return "SE";
    }
    if (hooks_.operatorOpen && hooks_.operatorOpen()) {
        return "CL";
    }
    return "WA";
}

void UdpDiscovery::Button25Click() {
    UpdateBroadcastAddress();
    sendLine(udpDiscoveryRequest());
}

void UdpDiscovery::BCastTimer() {
    if (!hub_.HubShown || settings_.chkUDPkick() || (hooks_.displayOpen && hooks_.displayOpen())) {
        return;
    }
    UpdateBroadcastAddress();
    sendLine(udpDiscoveryRequest());
}

void UdpDiscovery::PortChange() {
    close();
    exiting_ = false;
    UpdateBroadcastAddress();
    UdpSocket->Open(settings_.Port());
}

void UdpDiscovery::NetListDblClick(const QString& entry) {
    if (const auto host = displayHostOf(entry)) {
        settings_.ClientName.set(*host);
    }
}

void UdpDiscovery::SelectNICChange(int index) {
    nicSelected_ = index;
    UpdateBroadcastAddress();
}

void UdpDiscovery::UdpSocketReceive(const QString& remoteHost, const QByteArray& datagram) {
    const UdpLine line = parseUdpLine(datagram);
    log_.add(udpReceiveLogLine(remoteHost.toLatin1(), line));
    if (!line.hasMagic()) {
        return;
    }
    switch (line.kind) {
        case 1:
            peers_.clear();
            peersFullLogged_ = false;
            UpdateBroadcastAddress();
            sendLine(udpDiscoveryAnswer(role(), host_));
            break;
        case 2:
            handleAnswer(line.operand);
            break;
        case 3:
            handleStatusLine(line.operand);
            break;
        case 4:
            log_.add(QStringLiteral("通信故障通知を受信。復帰処理をおこないます。"));
            if (hooks_.reconnectOperator) {
                hooks_.reconnectOperator();
            }
            if (hooks_.displayOpen && hooks_.displayOpen() && settings_.MirrorSel() &&
                hooks_.reconnectMirror) {
                hooks_.reconnectMirror();
            }
            break;
        case 5:
            handleNotice(line.operand);
            break;
        default:
            break;
    }
}

void UdpDiscovery::handleAnswer(const QByteArray& operand) {
    const QByteArray hostBytes = operand.mid(3);
    const QString host = cp932::decode(hostBytes);
    const bool isDisplay = operand.left(2).toUpper() == "SE";
    const bool hasRole = (hooks_.displayOpen && hooks_.displayOpen()) ||
                         (hooks_.operatorOpen && hooks_.operatorOpen());
    if (isDisplay && !asked_ && !hasRole) {
        asked_ = true;  // before the question: a second answer meanwhile does not ask again
        if (dialogs_.ask(QStringLiteral("表示機がネットワーク上に見つかりました。接続しますか？"),
                         QStringLiteral("**ネットワーク上の表示機発見**"))) {
            settings_.ClientName.set(host);
            if (hooks_.startOperatorRole) {
                hooks_.startOperatorRole();
            }
        }
    }
    const QString letter = operand.isEmpty() ? QString() : cp932::decode(operand.left(1));
    if (!peers_.add(QLatin1Char('[') + letter + QLatin1Char(']') + host) && !peersFullLogged_) {
        peersFullLogged_ = true;
        log_.add(QStringLiteral("仲間の一覧が%1件に達したため、これ以上の応答は載せません。")
                     .arg(PeerList::kMaxEntries));
    }
}

void UdpDiscovery::handleStatusLine(const QByteArray& operand) {
    if (!isStatusLineOperand(operand)) {
        const QString first = operand.isEmpty()
                                  ? QStringLiteral("なし")
                                  : QString::number(static_cast<unsigned char>(operand.front()));
        log_.add(QStringLiteral("PKT受信[U]: 状態行がメッセージ転送ではないため破棄しました。"
                                "(先頭バイト:%1)")
                     .arg(first));
        return;
    }
    executor_.ExecutePacket(operand, nullptr);
}

void UdpDiscovery::handleNotice(const QByteArray& operand) {
    const bool parts = operand.left(2).toUpper() == "VL";
    const bool files = operand.startsWith("DIR");
    const bool all = operand.startsWith("ALL");
    if ((parts || all) && hooks_.refreshPartsList) {
        hooks_.refreshPartsList();
    }
    if ((files || all) && hooks_.refreshFileList) {
        hooks_.refreshFileList();
    }
}

}  // namespace zul
