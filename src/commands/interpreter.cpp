#include "commands/interpreter.h"

#include "model/debug_log.h"
#include "platform/cp932.h"
#include "protocol/connection.h"
#include "protocol/receive_log.h"

namespace zul {

int PacketContext::commandByte() const {
    return commandByteOf(work);
}

void PacketContext::reply(const QByteArray& packet) const {
    if (connection != nullptr) {
        connection->send(packet);
    }
}

Interpreter::Interpreter(DebugLog& log) : log_(log) {}

void Interpreter::setHandler(Cmd command, Handler handler) {
    handlers_[static_cast<std::size_t>(commandIndex(command))] = std::move(handler);
}

bool Interpreter::hasHandler(Cmd command) const {
    return static_cast<bool>(handlers_[static_cast<std::size_t>(commandIndex(command))]);
}

void Interpreter::ExecutePacket(QByteArrayView packet, PacketConnection* connection) {
    if (packet.endsWith('\n')) {
        packet.chop(1);
    }
    PacketContext ctx;
    ctx.connection = connection;
    ctx.work = cp932::truncate(packet, kWorkBytes);
    if (ctx.work.size() < packet.size()) {
        log_.add(QStringLiteral("パケットが%1バイトあるため、先頭%2バイトだけを処理します。")
                     .arg(packet.size())
                     .arg(ctx.work.size()));
    }
    const QByteArray mirrorCopy = ctx.work;

    const int byte = ctx.commandByte();
    if (byte == 0) {
        const QString peer = connection != nullptr ? connection->peerName() : QString();
        log_.add(displayUnknownLine(cp932::encode(peer), ctx.work));
    } else if (const Handler handler =
                   handlers_[static_cast<std::size_t>(byte - kFirstCommandByte)]) {
        // A copy: a handler may replace handlers while it runs.
        handler(ctx);
    }
    if (observer_) {
        observer_(mirrorCopy);
    }
    if (ctx.handOver) {
        handOver(mirrorCopy);
    }
}

void Interpreter::handOver(const QByteArray& mirrorCopy) {
    if (mirror_ == nullptr || !mirror_->mirrorWanted()) {
        return;
    }
    mirror_->mirrorPacket(mirrorCopy + '\n');
}

}  // namespace zul
