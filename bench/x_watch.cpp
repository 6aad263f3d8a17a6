#include "x_watch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zulbench {
namespace {

std::string utf8Title(Display* d, Window w) {
    const Atom name = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(d, w, name, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        out.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return out;
}

// The mapped window named `title` among the root's children (and, under a window manager,
// their children).
Window findWindow(Display* d, Window parent, const std::string& title, int depth) {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &count)) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            utf8Title(d, children[i]).rfind(title, 0) == 0) {
            found = children[i];
        } else if (depth > 0) {
            found = findWindow(d, children[i], title, depth - 1);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

}  // namespace

WindowWatch::WindowWatch(const std::string& title, int timeoutMs)
    : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) {
        throw std::runtime_error("no X display");
    }
    int error = 0;
    if (!XDamageQueryExtension(display_, &damageEvent_, &error)) {
        throw std::runtime_error("the X server has no DAMAGE extension");
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((window_ = findWindow(display_, DefaultRootWindow(display_), title, 2)) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            throw std::runtime_error("no window named " + title);
        }
        sleepMs(100);
    }
    XWindowAttributes a;
    XGetWindowAttributes(display_, window_, &a);
    bounds_ = {0, 0, a.width, a.height};
    damage_ = XDamageCreate(display_, window_, XDamageReportRawRectangles);
    XSync(display_, False);
}

WindowWatch::~WindowWatch() {
    if (damage_ != 0) {
        XDamageDestroy(display_, damage_);
    }
    XCloseDisplay(display_);
}

std::optional<Drawn> WindowWatch::next(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (XPending(display_) > 0) {
            XEvent e;
            XNextEvent(display_, &e);
            if (e.type == damageEvent_ + XDamageNotify) {
                const auto& n = reinterpret_cast<const XDamageNotifyEvent&>(e);
                return Drawn{{n.area.x, n.area.y, n.area.width, n.area.height},
                             std::chrono::steady_clock::now()};
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            return std::nullopt;
        }
        pollfd p{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
}

void WindowWatch::drain() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent e;
        XNextEvent(display_, &e);
    }
}

std::uint64_t WindowWatch::pixels(const Box& box) {
    XImage* image = XGetImage(display_, window_, box.x, box.y, static_cast<unsigned>(box.width),
                              static_cast<unsigned>(box.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return 0;
    }
    // FNV-1a over the rows.
    std::uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < box.height; ++y) {
        const auto* row = reinterpret_cast<const unsigned char*>(image->data) +
                          static_cast<std::ptrdiff_t>(y) * image->bytes_per_line;
        for (int x = 0; x < box.width * 4; ++x) {
            h = (h ^ row[x]) * 1099511628211ull;
        }
    }
    XDestroyImage(image);
    return h;
}

WindowWatch::Grab WindowWatch::grab() {
    Grab g;
    XImage* image = XGetImage(display_, window_, 0, 0, static_cast<unsigned>(bounds_.width),
                              static_cast<unsigned>(bounds_.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return g;
    }
    g.width = bounds_.width;
    g.height = bounds_.height;
    for (int y = 0; y < g.height; ++y) {
        g.bytes.append(image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line,
                       static_cast<std::size_t>(g.width) * 4);
    }
    XDestroyImage(image);
    return g;
}

Box WindowWatch::difference(const Grab& a, const Grab& b) {
    if (a.width != b.width || a.height != b.height || a.bytes.size() != b.bytes.size()) {
        return {};
    }
    int left = a.width;
    int top = a.height;
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * a.width + x) * 4;
            if (std::memcmp(a.bytes.data() + at, b.bytes.data() + at, 4) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return {};
    }
    return {left, top, right - left + 1, bottom - top + 1};
}

void WindowWatch::sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace zulbench
