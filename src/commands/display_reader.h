#pragma once

// The display machine's handling of bytes received on an operator connection: reassemble,
// log each packet, and run it. Every packet runs under its own guard, so one failing
// packet neither holds back nor loses the packets behind it in the same read.

#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <functional>

namespace zul {

class DebugLog;
class ErrorSink;
class PacketConnection;
class PacketExecutor;
class PacketSplitter;

// The receive path both roles share: appends `bytes` to the connection's buffer, logs every
// over-long line that was dropped, and for every complete packet adds `logLine(packet)` to
// the log and runs `process(packet)` under a guard of its own. With a deadline, packets run
// until it has passed (one at least), and the rest stays in the buffer, in order: the
// return value says whether complete packets are left. Once `stop` says so (the program is
// to end), no further packet runs, not even the first.
bool feedPackets(PacketSplitter& buffer, QByteArrayView bytes, DebugLog& log, ErrorSink& errors,
                 const std::function<QByteArray(const QByteArray&)>& logLine,
                 const std::function<void(const QByteArray&)>& process,
                 QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever),
                 const std::function<bool()>& stop = {});

class DisplayReader {
public:
    DisplayReader(PacketExecutor& executor, DebugLog& log, ErrorSink& errors);

    // Appends `bytes` to the connection's buffer and runs its complete packets, all of them
    // or (with a deadline) those that the time allows, none once `stop` says so; true when
    // complete packets are left.
    bool received(PacketSplitter& buffer, QByteArrayView bytes, PacketConnection* connection,
                  QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever),
                  const std::function<bool()>& stop = {});

private:
    PacketExecutor& executor_;
    DebugLog& log_;
    ErrorSink& errors_;
};

}  // namespace zul
