#include "platform/x11_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <memory>

namespace zul {
namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
struct ImageDestroyer {
    void operator()(XImage* i) const { XDestroyImage(i); }
};

}  // namespace

QImage grabScreenArea(const QRect& area) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return {};
    }
    const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        return {};
    }
    const int screen = DefaultScreen(display.get());
    const QRect shown = area.intersected(
        QRect(0, 0, DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen)));
    if (shown.isEmpty()) {
        return {};
    }
    const std::unique_ptr<XImage, ImageDestroyer> image(
        XGetImage(display.get(), RootWindow(display.get(), screen), shown.x(), shown.y(),
                  static_cast<unsigned>(shown.width()), static_cast<unsigned>(shown.height()),
                  AllPlanes, ZPixmap));
    if (!image || image->bits_per_pixel != 32 || image->depth < 24 || image->red_mask != 0xFF0000 ||
        image->green_mask != 0xFF00 || image->blue_mask != 0xFF || image->byte_order != LSBFirst) {
        return {};
    }
    QImage out(shown.size(), QImage::Format_RGB32);
    const auto rowBytes = static_cast<std::size_t>(shown.width()) * 4;
    for (int y = 0; y < shown.height(); ++y) {
        std::memcpy(out.scanLine(y),
                    image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line, rowBytes);
    }
    return out;
}

}  // namespace zul
