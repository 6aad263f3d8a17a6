#pragma once

// The processor load that operators watch, measured from the system's idle time between
// two readings. The kernel's /proc/stat gives, on its aggregate "cpu" line, the time all
// processors together spent in each state since boot; idle and iowait count as idle.

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <optional>

namespace zul {

// Load in percent from one interval: 100 - (idleDelta / timeDelta) x 100 / processors,
// rounded half up (truncated after adding 0.5) and clamped to 0..100. `timeDelta` is the
// elapsed time of one processor and `idleDelta` the idle time of all processors together,
// both in the same unit. 0 when timeDelta <= 0 or processors <= 0.
int cpuLoadPercent(double idleDelta, double timeDelta, int processors);

// One reading of /proc/stat.
struct CpuStatSample {
    double idle = 0;     // idle + iowait of the aggregate line, summed over all processors
    double total = 0;    // user through steal of the aggregate line (guest time is already
                         // part of user and nice)
    int processors = 0;  // number of "cpuN" lines
};

// Reads the text of /proc/stat; nothing when the aggregate line is missing or damaged.
std::optional<CpuStatSample> parseCpuStat(QByteArrayView statText);

// The previous reading, shared by every meter that is given the same object.
struct CpuHistory {
    double idle = 0;  // 0 until the first successful reading
    double time = 0;  // elapsed time of one processor
};

// The history that all meters of the process share, so that two operators asking in turn
// each get the load since the other's last request.
CpuHistory& processCpuHistory();

class CpuMeter {
public:
    // Returns the text of a stat file; empty when it cannot be read.
    using StatReader = std::function<QByteArray()>;

    // Reads /proc/stat and uses the history of the process.
    CpuMeter();
    CpuMeter(StatReader reader, CpuHistory& history);

    // Average load in percent since the previous reading of any meter sharing the history.
    // The first reading answers 0; an unreadable stat file answers 0 and keeps the history.
    int ReadLoad();

private:
    StatReader reader_;
    CpuHistory& history_;
};

}  // namespace zul
