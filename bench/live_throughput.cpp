// Packets end to end: the real zul executable as a display machine with 400 parts, N
// pipelined CmdPartUpdate packets over one TCP connection and a trailing request whose
// answer stops the clock. Prints packets per second, zul's CPU time per packet (utime +
// stime of the whole process) and its resident memory before and after, and checks that
// every part shows the last value sent to it. Then the same for CmdLineUpdate (the standing
// caption line).
//   live_throughput [zul executable] [N ...]      (default N: 10000 100000 1000000)
// The platform is the environment's QT_QPA_PLATFORM (offscreen when unset).
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "live_zul.h"

using namespace zulbench;

namespace {

// The parts whose value is not the last one sent to them after values first..first+n-1.
int staleParts(Link& link, long first, long n) {
    int stale = 0;
    const std::vector<std::string> parts = listParts(link);
    for (long v = first + n - 400; v < first + n; ++v) {
        const std::string name = "part" + std::to_string(1 + v % 400);
        const std::string want = name + "," + std::to_string(v) + ",";
        bool found = false;
        for (const std::string& p : parts) {
            found = found || p.rfind(want, 0) == 0;
        }
        stale += found ? 0 : 1;
    }
    return stale + (parts.size() == 400 ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString zulPath = argc > 1 ? QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath()
                                     : QStringLiteral(ZUL_BINARY);
    std::vector<long> counts;
    for (int i = 2; i < argc; ++i) {
        counts.push_back(std::atol(argv[i]));
    }
    if (counts.empty()) {
        counts = {10000, 100000, 1000000};
    }
    const QByteArray platform = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
                                    ? QByteArray("offscreen")
                                    : qgetenv("QT_QPA_PLATFORM");
    try {
        LiveZul zul(zulPath, {});
        Link link(zul.port());
        loadParts(zul, link);
        long next = 0;
        // Warm up: fonts, glyph caches, the first layouts.
        link.send(partUpdates(4000, next));
        next += 4000;
        roundTrip(link);
        std::printf("%-10s %9s %12s %12s %10s %10s %6s %6s\n", "platform", "packets", "packets/s",
                    "cpu us/pkt", "rss KiB", "rss after", "stale", "load");
        for (const long n : counts) {
            const std::string burst = partUpdates(static_cast<int>(n), next);
            const long rssBefore = zul.residentKiB();
            const double load = loadAverage();
            const double cpu0 = zul.cpuMicros();
            const Clock::time_point t0 = Clock::now();
            link.send(burst);
            roundTrip(link);
            const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            const double cpu = zul.cpuMicros() - cpu0;
            const int stale = staleParts(link, next, n);
            next += n;
            std::printf("%-10s %9ld %12.0f %12.2f %10ld %10ld %6d %6.2f\n", platform.constData(), n,
                        static_cast<double>(n) / seconds, cpu / static_cast<double>(n), rssBefore,
                        zul.residentKiB(), stale, load);
            std::fflush(stdout);
        }
        for (const long n : counts) {
            std::string burst;
            for (long i = 0; i < n; ++i) {
                burst += packet(36, "caption line " + std::to_string(i));
            }
            const double load = loadAverage();
            const double cpu0 = zul.cpuMicros();
            const Clock::time_point t0 = Clock::now();
            link.send(burst);
            roundTrip(link);
            const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            const double cpu = zul.cpuMicros() - cpu0;
            std::printf("%-10s %9ld %12.0f %12.2f %10s %10ld %6s %6.2f\n", "lines", n,
                        static_cast<double>(n) / seconds, cpu / static_cast<double>(n), "",
                        zul.residentKiB(), "", load);
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "live_throughput: %s\n", e.what());
        return 1;
    }
    return 0;
}
