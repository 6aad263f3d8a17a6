#pragma once

// Status lines and notices: the UDP datagrams by which a machine tells everybody about
// state changes. The datagram sender is the UDP socket; without one nothing is sent.
//
// A changed part is told by "VL", upon which every operator asks for the whole parts list
// again. However many parts change in one pass of the event loop, one notice goes out at
// its end: it has the same effect as one per part, without a storm of datagrams and of
// list requests.

#include <QByteArray>
#include <QByteArrayView>
#include <QTimer>
#include <functional>
#include <optional>

#include "protocol/packets.h"

namespace zul {

class DatagramSender;
class ErrorSink;

class StatusBroadcaster {
public:
    explicit StatusBroadcaster(QByteArray hostName);

    void setSender(DatagramSender* sender) { sender_ = sender; }
    // Where a notice that fails after the pass that asked for it is reported.
    void setErrorSink(ErrorSink* errors) { errors_ = errors; }
    const QByteArray& hostName() const { return host_; }
    // Told the text (after byte 30) of every status line this machine sends.
    void setLineObserver(std::function<void(const QByteArray& text)> observer) {
        observer_ = std::move(observer);
    }

    // "(" host ")" message ["(" path ")"]
    bool SendStatusLine(QByteArrayView message, std::optional<QByteArrayView> path = std::nullopt);
    // A status line whose text the caller lays out.
    bool SendStatusText(QByteArrayView text);
    // "VL" goes out when the event loop next runs (once for any number of calls before
    // that); the other notices at once.
    bool SendNotice(NoticeKind kind);

private:
    bool send(const QByteArray& datagram);
    bool sendLine(const QByteArray& datagram);
    void sendPartsChanged();

    QByteArray host_;
    DatagramSender* sender_ = nullptr;
    ErrorSink* errors_ = nullptr;
    QTimer partsChanged_;
    std::function<void(const QByteArray&)> observer_;
};

}  // namespace zul
