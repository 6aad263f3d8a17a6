#pragma once

// The display machine's handling of bytes received on an operator connection: reassemble,
// log each packet, and run it. Every packet runs under its own guard, so one failing
// packet neither holds back nor loses the packets behind it in the same read.

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

namespace zul {

class DebugLog;
class ErrorSink;
class PacketConnection;
class PacketExecutor;
class PacketSplitter;

// The receive path both roles share: appends `bytes` to the connection's buffer, logs every
// over-long line that was dropped, and for every complete packet adds `logLine(packet)` to
// the log and runs `process(packet)` under a guard of its own.
void feedPackets(PacketSplitter& buffer, QByteArrayView bytes, DebugLog& log, ErrorSink& errors,
                 const std::function<QByteArray(const QByteArray&)>& logLine,
                 const std::function<void(const QByteArray&)>& process);

class DisplayReader {
public:
    DisplayReader(PacketExecutor& executor, DebugLog& log, ErrorSink& errors);

    // Appends `bytes` to the connection's buffer and runs every complete packet.
    void received(PacketSplitter& buffer, QByteArrayView bytes, PacketConnection* connection);

private:
    PacketExecutor& executor_;
    DebugLog& log_;
    ErrorSink& errors_;
};

}  // namespace zul
