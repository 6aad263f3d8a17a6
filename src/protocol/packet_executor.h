#pragma once

// Hands a packet to the display machine's interpreter. Lower layers (update lists, macros,
// the UDP receiver, start-up) feed internal packets through this without knowing the
// interpreter itself.

#include <QByteArrayView>

namespace zul {

class PacketConnection;

class PacketExecutor {
public:
    PacketExecutor() = default;
    virtual ~PacketExecutor();
    PacketExecutor(const PacketExecutor&) = delete;
    PacketExecutor& operator=(const PacketExecutor&) = delete;

    // Runs one packet (command byte and operand; a trailing line feed is allowed).
    // `connection` is where replies go, or nullptr for an internal packet.
    virtual void ExecutePacket(QByteArrayView packet, PacketConnection* connection) = 0;
};

}  // namespace zul
