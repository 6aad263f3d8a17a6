#pragma once

// Where the display window shows its caption, and how each of a few caption lines looks
// there: what the caption benchmarks compare the screen with.

#include <cstdint>
#include <string>
#include <vector>

#include "live_zul.h"
#include "x_watch.h"

namespace zulbench {

inline constexpr int kCmdLineUpdate = 36;
inline constexpr const char* kDisplayTitle = "ZUL\u3000表示画面";

struct CaptionProbe {
    Box strip;                         // the rows that change as the lines come and go
    std::vector<std::uint64_t> looks;  // the strip's pixel hash with each line standing
};

// Sends each line over `link` and watches the window; throws when the caption never shows.
CaptionProbe probeCaption(Link& link, WindowWatch& watch, const std::vector<std::string>& lines);

}  // namespace zulbench
