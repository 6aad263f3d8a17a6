#pragma once

// The connection a packet came from and its replies go to. The TCP connections implement
// it; internal packets have none.

#include <QByteArray>
#include <QString>

namespace zul {

class PacketConnection {
public:
    // Bytes a connection may hold unsent for a peer that does not read. Past this the peer
    // is taken as gone: the connection is closed rather than the queue grown without end.
    static constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

    PacketConnection() = default;
    virtual ~PacketConnection();
    PacketConnection(const PacketConnection&) = delete;
    PacketConnection& operator=(const PacketConnection&) = delete;

    // Writes the bytes (one or more whole packets, line feeds included) as they are.
    virtual void send(const QByteArray& bytes) = 0;

    // Host name of the far end, for the log.
    virtual QString peerName() const = 0;

    // Set once the far end, a display machine that mirrors to this one, has introduced
    // itself with its identity (the first identity packet that this connection brought).
    bool mirrorIntroduced = false;
};

}  // namespace zul
