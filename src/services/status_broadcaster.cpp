#include "services/status_broadcaster.h"

#include "protocol/datagram_sender.h"

namespace zul {

StatusBroadcaster::StatusBroadcaster(QByteArray hostName) : host_(std::move(hostName)) {}

bool StatusBroadcaster::SendStatusLine(QByteArrayView message, std::optional<QByteArrayView> path) {
    return send(statusLine(host_, message, path));
}

bool StatusBroadcaster::SendStatusText(QByteArrayView text) {
    return send(statusLineRaw(text));
}

bool StatusBroadcaster::SendNotice(NoticeKind kind) {
    return send(noticeLine(kind));
}

bool StatusBroadcaster::send(const QByteArray& datagram) {
    return sender_ != nullptr && sender_->sendDatagram(datagram);
}

}  // namespace zul
