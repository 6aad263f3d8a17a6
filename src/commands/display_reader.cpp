#include "commands/display_reader.h"

#include "model/debug_log.h"
#include "platform/errors.h"
#include "protocol/packet_executor.h"
#include "protocol/packet_splitter.h"
#include "protocol/receive_log.h"

namespace zul {

DisplayReader::DisplayReader(PacketExecutor& executor, DebugLog& log, ErrorSink& errors)
    : executor_(executor), log_(log), errors_(errors) {}

bool feedPackets(PacketSplitter& buffer, QByteArrayView bytes, DebugLog& log, ErrorSink& errors,
                 const std::function<QByteArray(const QByteArray&)>& logLine,
                 const std::function<void(const QByteArray&)>& process, QDeadlineTimer deadline,
                 const std::function<bool()>& stop) {
    buffer.append(bytes);
    for (const qint64 length : buffer.takeDiscardNotices()) {
        log.add(QStringLiteral("受信した行が長すぎるため（%1バイト）、破棄しました。").arg(length));
    }
    bool first = true;
    while ((first || !deadline.hasExpired()) && !(stop && stop())) {
        // A handler may let events run, and a read inside them may take packets of this
        // buffer (or the watchdog empty it): take each one only when its turn comes.
        std::optional<QByteArray> packet = buffer.takePacket();
        if (!packet) {
            return false;
        }
        first = false;
        log.add(logLine(*packet));
        guarded(errors, [&] { process(*packet); });
    }
    return buffer.hasPacket();
}

bool DisplayReader::received(PacketSplitter& buffer, QByteArrayView bytes,
                             PacketConnection* connection, QDeadlineTimer deadline,
                             const std::function<bool()>& stop) {
    return feedPackets(
        buffer, bytes, log_, errors_,
        [](const QByteArray& packet) { return displayReceiveLine(packet); },
        [&](const QByteArray& packet) { executor_.ExecutePacket(packet, connection); }, deadline,
        stop);
}

}  // namespace zul
