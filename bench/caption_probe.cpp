#include "caption_probe.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace zulbench {

CaptionProbe probeCaption(Link& link, WindowWatch& watch, const std::vector<std::string>& lines) {
    CaptionProbe probe;
    Box& strip = probe.strip;
    for (const std::string& line : lines) {
        const Box b = watch.changedBy([&] { link.send(packet(kCmdLineUpdate, line)); }, 300);
        if (!b.empty()) {
            const int top = strip.empty() ? b.y : std::min(strip.y, b.y);
            const int bottom =
                strip.empty() ? b.y + b.height : std::max(strip.y + strip.height, b.y + b.height);
            strip = {0, top, watch.bounds().width, bottom - top};
        }
    }
    if (strip.empty()) {
        throw std::runtime_error("the caption never showed");
    }
    for (const std::string& line : lines) {
        link.send(packet(kCmdLineUpdate, line));
        roundTrip(link);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        probe.looks.push_back(watch.pixels(strip));
    }
    return probe;
}

}  // namespace zulbench
