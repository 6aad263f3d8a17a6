#pragma once

// Watches what a window shows on the X server: finds a top-level window by its title,
// reports every rectangle drawn into it (X DAMAGE) with the time it was seen, and reads
// back its pixels.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

struct _XDisplay;

namespace zulbench {

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool intersects(const Box& o) const {
        return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
    }
};

struct Drawn {
    Box box;
    std::chrono::steady_clock::time_point seen;
};

class WindowWatch {
public:
    // Opens $DISPLAY and waits (at most `timeoutMs`) for a mapped top-level window whose
    // _NET_WM_NAME starts with `title` (UTF-8); throws when there is none.
    WindowWatch(const std::string& title, int timeoutMs);
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    Box bounds() const { return bounds_; }
    // The next rectangle drawn into the window, or nullopt after `timeoutMs`.
    std::optional<Drawn> next(int timeoutMs);
    // Drops the reports that are waiting.
    void drain();
    // A hash of the pixels of `box` (window coordinates).
    std::uint64_t pixels(const Box& box);
    // The bounding box of the pixels that differ between two reads of the whole window,
    // `waitMs` apart, while `change` runs in between.
    template <typename F>
    Box changedBy(F change, int waitMs);

private:
    struct Grab;
    Grab grab();
    static Box difference(const Grab& a, const Grab& b);
    void sleepMs(int ms);

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long damage_ = 0;
    int damageEvent_ = 0;
    Box bounds_;
};

struct WindowWatch::Grab {
    int width = 0;
    int height = 0;
    std::string bytes;  // 32-bit pixels, row after row
};

template <typename F>
Box WindowWatch::changedBy(F change, int waitMs) {
    sleepMs(waitMs);
    const Grab before = grab();
    change();
    sleepMs(waitMs);
    return difference(before, grab());
}

}  // namespace zulbench
