#pragma once

// The operator connection as the tool windows use it: they hold it for the life of the
// program, but it is open only while the console is connected to a display machine. A
// packet handed over while it is closed is dropped without a word.

#include <QByteArray>
#include <QString>
#include <functional>

namespace zul {

class PacketConnection;

struct OperatorChannel {
    PacketConnection* connection = nullptr;
    // Whether the connection is open now; an empty function counts as open.
    std::function<bool()> isOpen;

    bool canSend() const;
    // Sends the bytes when the connection can take them; returns whether it did.
    bool send(const QByteArray& bytes) const;
};

// Text typed into a window, as one packet field: code page 932 (a character it cannot hold
// becomes '?', counted into `unmappable` when given), a line feed (which would end the
// packet and start another one) turned into a blank.
QByteArray packetField(const QString& text, int* unmappable = nullptr);

}  // namespace zul
