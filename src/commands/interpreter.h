#pragma once

// The display machine's command interpreter: the one place where a packet is acted on.
// It cuts a work copy of at most 259 bytes, dispatches on the command byte to the handler
// registered for it, and then hands an intact copy on to the packet mirror.

#include <QByteArray>
#include <array>
#include <functional>

#include "protocol/command_table.h"
#include "protocol/mirror_sink.h"
#include "protocol/packet_executor.h"

namespace zul {

class DebugLog;
class PacketConnection;

// What one handler call sees. Each ExecutePacket call has its own context, so a nested
// call (a packet that arrives while a handler lets events run) never disturbs it.
struct PacketContext {
    QByteArray work;                         // first 259 bytes of the packet
    PacketConnection* connection = nullptr;  // where replies go; null for internal packets
    bool handOver = true;                    // cleared by a handler to skip the mirror

    int commandByte() const;
    QByteArray operand() const { return work.mid(1); }
    // Sends a reply packet to the asking connection; nothing without a connection.
    void reply(const QByteArray& packet) const;
};

class Interpreter : public PacketExecutor {
public:
    static constexpr int kWorkBytes = 259;
    using Handler = std::function<void(PacketContext&)>;

    explicit Interpreter(DebugLog& log);

    void setHandler(Cmd command, Handler handler);
    bool hasHandler(Cmd command) const;
    void setMirror(MirrorSink* mirror) { mirror_ = mirror; }
    // Told the work copy of every packet whose handler ran through (the browser remote
    // pushes the changed state from there).
    void setObserver(std::function<void(const QByteArray& work)> observer) {
        observer_ = std::move(observer);
    }

    // Runs the packet. An error inside a handler propagates to the caller (which hands it
    // to the application error handler) and skips the mirror hand-over.
    void ExecutePacket(QByteArrayView packet, PacketConnection* connection) override;

private:
    void handOver(const QByteArray& mirrorCopy);

    DebugLog& log_;
    std::array<Handler, kCommandCount> handlers_;
    MirrorSink* mirror_ = nullptr;
    std::function<void(const QByteArray&)> observer_;
};

}  // namespace zul
