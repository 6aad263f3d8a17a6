#pragma once

// What the window manager says about the windows on the test's X display: the stacking
// order of the windows it manages, and waiting until a window is managed.

#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <vector>

#include "platform/x11_windows.h"
#include "waiting_and_ports.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace zul::test {

// A loaded machine may take seconds to start a Qt program and let openbox frame it.
inline constexpr int kWindowPatienceMs = 30000;

template <typename Predicate>
bool settles(Predicate done) {
    return waitFor(done, kWindowPatienceMs);
}

// The managed windows bottom to top (_NET_CLIENT_LIST_STACKING).
inline std::vector<unsigned long> stackingOrder() {
    Display* d = XOpenDisplay(nullptr);
    std::vector<unsigned long> order;
    if (d == nullptr) {
        return order;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, DefaultRootWindow(d),
                           XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False), 0, 4096, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        const auto* w = reinterpret_cast<const unsigned long*>(data);
        order.assign(w, w + count);
        XFree(data);
    }
    XCloseDisplay(d);
    return order;
}

// Whether `upper` stands above `lower` in the stacking order.
inline bool above(WindowId upper, WindowId lower) {
    const auto order = stackingOrder();
    const auto u = std::find(order.begin(), order.end(), upper);
    const auto l = std::find(order.begin(), order.end(), lower);
    return u != order.end() && l != order.end() && u > l;
}

// Whether `window` is the top one of all managed windows.
inline bool onTop(WindowId window) {
    const auto order = stackingOrder();
    return !order.empty() && order.back() == window;
}

// Waits until the window is managed: mapped and in the window manager's list.
inline ::testing::AssertionResult managed(const X11Windows& windows, WindowId w) {
    if (w == 0) {
        return ::testing::AssertionFailure() << "the stand-in program made no window";
    }
    const bool ok = settles([&] {
        const auto order = stackingOrder();
        return windows.isMapped(w) && std::find(order.begin(), order.end(), w) != order.end();
    });
    if (ok) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "window " << w << " mapped " << windows.isMapped(w)
                                         << ", " << stackingOrder().size() << " managed windows";
}

}  // namespace zul::test
