#pragma once

// Sends one UDP datagram (status line or notice) to the broadcast address on the program's
// port. The UDP socket implements it.

#include <QByteArray>

namespace zul {

class DatagramSender {
public:
    DatagramSender() = default;
    virtual ~DatagramSender();
    DatagramSender(const DatagramSender&) = delete;
    DatagramSender& operator=(const DatagramSender&) = delete;

    // False when the datagram could not be sent.
    virtual bool sendDatagram(const QByteArray& datagram) = 0;
};

}  // namespace zul
