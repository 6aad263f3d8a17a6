#include "services/operator_channel.h"

#include "platform/cp932.h"
#include "protocol/connection.h"

namespace zul {

bool OperatorChannel::canSend() const {
    return connection != nullptr && (!isOpen || isOpen());
}

bool OperatorChannel::send(const QByteArray& bytes) const {
    if (!canSend()) {
        return false;
    }
    connection->send(bytes);
    return true;
}

QByteArray packetField(const QString& text, int* unmappable) {
    QByteArray bytes = cp932::encode(text, unmappable);
    bytes.replace('\n', ' ');
    return bytes;
}

}  // namespace zul
