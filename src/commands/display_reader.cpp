#include "commands/display_reader.h"

#include "model/debug_log.h"
#include "platform/errors.h"
#include "protocol/packet_executor.h"
#include "protocol/packet_splitter.h"
#include "protocol/receive_log.h"

namespace zul {

DisplayReader::DisplayReader(PacketExecutor& executor, DebugLog& log, ErrorSink& errors)
    : executor_(executor), log_(log), errors_(errors) {}

void DisplayReader::received(PacketSplitter& buffer, QByteArrayView bytes,
                             PacketConnection* connection) {
    buffer.append(bytes);
    for (const qint64 length : buffer.takeDiscardNotices()) {
        log_.add(
            QStringLiteral("受信した行が長すぎるため（%1バイト）、破棄しました。").arg(length));
    }
    while (std::optional<QByteArray> packet = buffer.takePacket()) {
        log_.add(displayReceiveLine(*packet));
        guarded(errors_, [&] { executor_.ExecutePacket(*packet, connection); });
    }
}

}  // namespace zul
