// Painted frames per second of the real zul executable's display window on an X server
// (run it under tests/xvfb.sh): the caption scrolls (10 ms ticks) while no parts change, and
// while another connection streams part updates at 100k packets per second. A frame is a
// burst of X DAMAGE reports on the window; it counts for the caption when the burst touches
// the caption strip.
//   live_frame_rate [zul executable] [seconds]
#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>

#include "live_zul.h"
#include "x_watch.h"

using namespace zulbench;

namespace {

constexpr int kCmdLineUpdate = 36;
constexpr int kCmdTimingUpdate = 37;
const char* const kTitle = "ZUL\u3000表示画面";

struct Frames {
    double window = 0;  // frames per second, the whole window
    double strip = 0;   // frames per second that touch the caption strip
};

Frames count(WindowWatch& watch, const Box& strip, double seconds) {
    // Reports less than 2 ms apart belong to one frame.
    const auto gap = std::chrono::milliseconds(2);
    watch.drain();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    long frames = 0;
    long stripFrames = 0;
    Clock::time_point last{};
    bool stripInFrame = false;
    while (Clock::now() < end) {
        const std::optional<Drawn> d = watch.next(50);
        if (!d) {
            continue;
        }
        if (d->seen - last > gap) {
            ++frames;
            stripInFrame = false;
        }
        last = d->seen;
        if (!stripInFrame && d->box.intersects(strip)) {
            stripInFrame = true;
            ++stripFrames;
        }
    }
    return {frames / seconds, stripFrames / seconds};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString zulPath = argc > 1 ? QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath()
                                     : QStringLiteral(ZUL_BINARY);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
    try {
        LiveOptions options;
        options.scroll = true;
        LiveZul zul(zulPath, options);
        Link link(zul.port());
        loadParts(zul, link);
        WindowWatch watch(kTitle, 20000);
        // Ticks every 10 ms, 2 pixels each; a line long enough to scroll for minutes.
        link.send(packet(kCmdTimingUpdate, "60,60,10,2"));
        std::string line;
        for (int i = 0; i < 40; ++i) {  // under the 1023-byte line limit
            line += "scrolling caption " + std::to_string(i) + " ";
        }
        link.send(packet(kCmdLineUpdate, line));
        roundTrip(link);
        // The first tick scrolls out what the strip showed before, then the line comes in.
        Box strip;
        for (int i = 0; i < 60 && strip.empty(); ++i) {
            strip = watch.changedBy([] {}, 200);
        }
        if (strip.empty()) {
            throw std::runtime_error("the caption does not scroll");
        }
        // The rows the scrolling text has touched over a second.
        for (int i = 0; i < 5; ++i) {
            const Box b = watch.changedBy([] {}, 200);
            if (!b.empty()) {
                const int top = std::min(strip.y, b.y);
                const int bottom = std::max(strip.y + strip.height, b.y + b.height);
                strip = {0, top, watch.bounds().width, bottom - top};
            }
        }
        std::printf("caption strip: y %d, height %d\n", strip.y, strip.height);
        std::printf("%-28s %10s %10s %12s %6s\n", "frames per second", "window", "caption",
                    "parts/s", "load");
        double load = loadAverage();
        Frames f = count(watch, strip, seconds);
        std::printf("%-28s %10.1f %10.1f %12.0f %6.2f\n", "idle", f.window, f.strip, 0.0, load);
        load = loadAverage();
        PartStream stream(zul.port(), 100000);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        f = count(watch, strip, seconds);
        const double rate = stream.stop();
        std::printf("%-28s %10.1f %10.1f %12.0f %6.2f\n", "parts streaming", f.window, f.strip,
                    rate, load);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "live_frame_rate: %s\n", e.what());
        return 1;
    }
    return 0;
}
