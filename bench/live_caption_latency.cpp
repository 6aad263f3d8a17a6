// Caption line from packet to pixels: the real zul executable on an X server (run it under
// tests/xvfb.sh), 400 parts loaded. Each CmdLineUpdate is timed from its send to the first
// X DAMAGE report on the display window after which the caption strip shows that line's
// pixels; idle, and while another connection streams part updates at 100k packets per
// second. Prints p50, p99 and the maximum in milliseconds, and how many lines were not on
// the screen within 3 s. A third run sends each line as the browser remote's page does: a
// POST /api/packet on a connection of its own, timed from the request's first byte.
//   live_caption_latency [zul executable] [samples]
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "caption_probe.h"
#include "live_zul.h"
#include "x_watch.h"

using namespace zulbench;

namespace {

const std::vector<std::string> kLines = {"Caption line one", "The second caption, a longer one",
                                         "3", "Line four: quick brown fox jumps"};

struct Run {
    std::vector<double> ms;
    int missed = 0;
};

using Sender = std::function<void(const std::string& line)>;

// Sends the lines in turn and times each until its pixels are on the screen.
Run measure(const Sender& send, WindowWatch& watch, const Box& strip,
            const std::vector<std::uint64_t>& looks, int samples) {
    Run run;
    std::mt19937 random(7);
    // A frozen screen misses every line: a minute is enough to tell.
    const Clock::time_point end = Clock::now() + std::chrono::seconds(60);
    for (int i = 0; i < samples && Clock::now() < end; ++i) {
        const std::size_t k = static_cast<std::size_t>(i) % kLines.size();
        watch.drain();
        const Clock::time_point sent = Clock::now();
        send(kLines[k]);
        bool shown = false;
        // A line not on the screen a few seconds after its send counts as missed.
        const Clock::time_point giveUp = sent + std::chrono::seconds(3);
        while (!shown && Clock::now() < giveUp) {
            const std::optional<Drawn> d = watch.next(1000);
            if (!d) {
                break;
            }
            shown = d->box.intersects(strip) && watch.pixels(strip) == looks[k];
            if (shown) {
                run.ms.push_back(std::chrono::duration<double, std::milli>(d->seen - sent).count());
            }
        }
        run.missed += shown ? 0 : 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(15 + random() % 20));
    }
    return run;
}

void print(const char* what, const Run& run, double load, double streamRate) {
    const Percentiles p = percentiles(run.ms);
    std::printf("%-28s %8.2f %8.2f %8.2f %7d %12.0f %6.2f\n", what, p.p50, p.p99, p.max, run.missed,
                streamRate, load);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString zulPath = argc > 1 ? QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath()
                                     : QStringLiteral(ZUL_BINARY);
    const int samples = argc > 2 ? std::atoi(argv[2]) : 300;
    try {
        LiveOptions options;
        options.webPort = freePort();
        LiveZul zul(zulPath, options);
        Link link(zul.port());
        loadParts(zul, link);
        WindowWatch watch(kDisplayTitle, 20000);
        const CaptionProbe probe = probeCaption(link, watch, kLines);
        const Box& strip = probe.strip;
        const std::vector<std::uint64_t>& looks = probe.looks;
        std::printf("caption strip: y %d, height %d\n", strip.y, strip.height);
        std::printf("%-28s %8s %8s %8s %7s %12s %6s\n", "caption to pixels (ms)", "p50", "p99",
                    "max", "missed", "parts/s", "load");
        const Sender overTcp = [&link](const std::string& line) {
            link.send(packet(kCmdLineUpdate, line));
        };
        // The lines are plain ASCII: no escaping is needed in the JSON.
        const Sender overHttp = [&options](const std::string& line) {
            const std::string status =
                httpPost(options.webPort, "/api/packet",
                         R"({"command":"CmdLineUpdate","operand":")" + line + R"("})");
            if (status.find(" 200 ") == std::string::npos) {
                throw std::runtime_error("the browser remote answered " + status);
            }
        };
        double load = loadAverage();
        print("idle", measure(overTcp, watch, strip, looks, samples), load, 0);
        load = loadAverage();
        print("idle, browser API (HTTP)", measure(overHttp, watch, strip, looks, samples), load, 0);
        // What one request of the page costs the display: zul's processor time over a run of
        // captions sent back to back, each on its own connection, painted as they come.
        const double before = zul.cpuMicros();
        const Clock::time_point started = Clock::now();
        constexpr int kRequests = 500;
        for (int i = 0; i < kRequests; ++i) {
            overHttp(kLines[static_cast<std::size_t>(i) % kLines.size()]);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        std::printf("browser API: %.0f us of zul CPU per request, %.0f requests/s\n",
                    (zul.cpuMicros() - before) / kRequests, kRequests / seconds);
        load = loadAverage();
        PartStream stream(zul.port(), 100000);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const Run busy = measure(overTcp, watch, strip, looks, samples);
        const double rate = stream.stop();
        print("parts streaming", busy, load, rate);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "live_caption_latency: %s\n", e.what());
        return 1;
    }
    return 0;
}
