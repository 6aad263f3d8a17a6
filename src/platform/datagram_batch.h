#pragma once

// The socket of one batch of UDP datagrams: made when the batch starts, closed when it
// ends. Every datagram goes out at once to an IPv4 address and port; the socket never
// blocks (a datagram that the system cannot take at once counts as not sent).

#include <QByteArray>
#include <QHostAddress>

namespace zul {

class DatagramBatchSocket {
public:
    DatagramBatchSocket();
    ~DatagramBatchSocket();
    DatagramBatchSocket(DatagramBatchSocket&& other) noexcept;
    DatagramBatchSocket& operator=(DatagramBatchSocket&& other) noexcept;
    DatagramBatchSocket(const DatagramBatchSocket&) = delete;
    DatagramBatchSocket& operator=(const DatagramBatchSocket&) = delete;

    // Whether the socket could be made.
    bool isOpen() const { return fd_ >= 0; }
    // Sends one datagram; false when it did not go out whole (or `to` is not IPv4).
    bool send(const QHostAddress& to, quint16 port, const QByteArray& datagram) const;

private:
    int fd_ = -1;
};

}  // namespace zul
