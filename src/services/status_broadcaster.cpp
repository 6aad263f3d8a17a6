#include "services/status_broadcaster.h"

#include "platform/errors.h"
#include "protocol/datagram_sender.h"

#include <utility>

namespace zul {

StatusBroadcaster::StatusBroadcaster(QByteArray hostName) : host_(std::move(hostName)) {
    partsChanged_.setSingleShot(true);
    partsChanged_.setInterval(0);
    partsChanged_.callOnTimeout([this] { sendPartsChanged(); });
}

bool StatusBroadcaster::SendStatusLine(QByteArrayView message, std::optional<QByteArrayView> path) {
    return sendLine(statusLine(host_, message, path));
}

bool StatusBroadcaster::SendStatusText(QByteArrayView text) {
    return sendLine(statusLineRaw(text));
}

bool StatusBroadcaster::sendLine(const QByteArray& datagram) {
    if (observer_) {
        // The text between the line's fixed start ("ZUL,3," and byte 30) and its line feed.
        static const qsizetype start = statusLineRaw({}).size() - 1;
        observer_(datagram.mid(start).chopped(1));
    }
    return send(datagram);
}

bool StatusBroadcaster::SendNotice(NoticeKind kind) {
    if (kind != NoticeKind::PartsChanged) {
        return send(noticeLine(kind));
    }
    if (sender_ == nullptr) {
        return false;
    }
    if (!partsChanged_.isActive()) {
        partsChanged_.start();
    }
    return true;
}

void StatusBroadcaster::sendPartsChanged() {
    try {
        send(noticeLine(NoticeKind::PartsChanged));
    } catch (...) {
        if (errors_ != nullptr) {
            try {
                errors_->reportError(describeCurrentException());
            } catch (...) {
                // The error handler itself failed; the next notice tries again.
            }
        }
    }
}

bool StatusBroadcaster::send(const QByteArray& datagram) {
    return sender_ != nullptr && sender_->sendDatagram(datagram);
}

}  // namespace zul
