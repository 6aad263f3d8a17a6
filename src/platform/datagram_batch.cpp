#include "platform/datagram_batch.h"

#include <QtEndian>
#include <utility>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zul {

DatagramBatchSocket::DatagramBatchSocket()
    : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}

DatagramBatchSocket::~DatagramBatchSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

DatagramBatchSocket::DatagramBatchSocket(DatagramBatchSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

DatagramBatchSocket& DatagramBatchSocket::operator=(DatagramBatchSocket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool DatagramBatchSocket::send(const QHostAddress& to, quint16 port,
                               const QByteArray& datagram) const {
    bool ipv4 = false;
    const quint32 address = to.toIPv4Address(&ipv4);
    if (fd_ < 0 || !ipv4) {
        return false;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = qToBigEndian(port);
    target.sin_addr.s_addr = qToBigEndian(address);
    const ssize_t n =
        ::sendto(fd_, datagram.constData(), static_cast<size_t>(datagram.size()), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&target), sizeof target);
    return n == datagram.size();
}

}  // namespace zul
