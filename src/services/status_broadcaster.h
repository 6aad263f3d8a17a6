#pragma once

// Status lines and notices: the UDP datagrams by which a machine tells everybody about
// state changes. The datagram sender is the UDP socket; without one nothing is sent.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

#include "protocol/packets.h"

namespace zul {

class DatagramSender;

class StatusBroadcaster {
public:
    explicit StatusBroadcaster(QByteArray hostName);

    void setSender(DatagramSender* sender) { sender_ = sender; }
    const QByteArray& hostName() const { return host_; }

    // "(" host ")" message ["(" path ")"]
    bool SendStatusLine(QByteArrayView message, std::optional<QByteArrayView> path = std::nullopt);
    // A status line whose text the caller lays out.
    bool SendStatusText(QByteArrayView text);
    bool SendNotice(NoticeKind kind);

private:
    bool send(const QByteArray& datagram);

    QByteArray host_;
    DatagramSender* sender_ = nullptr;
};

}  // namespace zul
