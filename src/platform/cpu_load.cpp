#include "platform/cpu_load.h"

#include <QFile>
#include <QList>
#include <algorithm>
#include <cmath>

namespace zul {
namespace {

// Fields of a "cpu" line that count towards the elapsed time: user, nice, system, idle,
// iowait, irq, softirq, steal. Guest and guest_nice follow but are already inside user
// and nice. Kernels before 2.6.33 write fewer fields; the missing ones count as 0.
constexpr int kTimeFields = 8;
constexpr int kIdleField = 3;
constexpr int kIowaitField = 4;
constexpr int kRequiredFields = kIdleField + 1;

bool isProcessorLine(QByteArrayView line) {
    return line.size() > 3 && line.startsWith("cpu") && line[3] >= '0' && line[3] <= '9';
}

std::optional<CpuStatSample> parseAggregateLine(QByteArrayView line) {
    const QList<QByteArray> words = line.toByteArray().simplified().split(' ');
    if (words.size() < 1 + kRequiredFields || words.first() != "cpu") {
        return std::nullopt;
    }
    CpuStatSample sample;
    const qsizetype fields = std::min<qsizetype>(words.size() - 1, kTimeFields);
    for (qsizetype i = 0; i < fields; ++i) {
        bool ok = false;
        const double value = static_cast<double>(words[i + 1].toULongLong(&ok));
        if (!ok) {
            return std::nullopt;
        }
        sample.total += value;
        if (i == kIdleField || i == kIowaitField) {
            sample.idle += value;
        }
    }
    return sample;
}

QByteArray readProcStat() {
    QFile file(QStringLiteral("/proc/stat"));
    // A file of the proc file system reports size 0: read it sequentially.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return {};
    }
    return file.readAll();
}

}  // namespace

int cpuLoadPercent(double idleDelta, double timeDelta, int processors) {
    if (timeDelta <= 0 || processors <= 0) {
        return 0;
    }
    const double load = 100.0 - (idleDelta / timeDelta) * 100.0 / processors + 0.5;
    // Clamp before converting, so that a counter running backwards cannot overflow the int.
    return static_cast<int>(std::trunc(std::clamp(load, 0.0, 100.0)));
}

std::optional<CpuStatSample> parseCpuStat(QByteArrayView statText) {
    std::optional<CpuStatSample> sample;
    int processors = 0;
    const QList<QByteArray> lines = statText.toByteArray().split('\n');
    for (const QByteArray& line : lines) {
        if (isProcessorLine(line)) {
            ++processors;
        } else if (!sample && line.startsWith("cpu ")) {
            sample = parseAggregateLine(line);
            if (!sample) {
                return std::nullopt;
            }
        }
    }
    if (sample) {
        sample->processors = processors;
    }
    return sample;
}

CpuHistory& processCpuHistory() {
    static CpuHistory history;
    return history;
}

CpuMeter::CpuMeter() : CpuMeter(readProcStat, processCpuHistory()) {}

CpuMeter::CpuMeter(StatReader reader, CpuHistory& history)
    : reader_(std::move(reader)), history_(history) {}

int CpuMeter::ReadLoad() {
    const std::optional<CpuStatSample> sample = parseCpuStat(reader_());
    if (!sample || sample->processors <= 0) {
        return 0;
    }
    // The aggregate line sums every processor's time; one processor's elapsed time is the
    // total divided by their number, while the idle time stays summed over all of them,
    // which is what cpuLoadPercent expects.
    const double time = sample->total / sample->processors;
    int load = 0;
    if (history_.idle != 0) {
        load =
            cpuLoadPercent(sample->idle - history_.idle, time - history_.time, sample->processors);
    }
    history_.idle = sample->idle;
    history_.time = time;
    return load;
}

}  // namespace zul
