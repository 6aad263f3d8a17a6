#include "display/layout.h"

#include <cstdlib>

#include "protocol/screen_bounds.h"

namespace zul {

int scaledFontSize(int size, int windowHeight) {
    // Integer arithmetic truncates toward zero as the exact quotient does.
    const qint64 bounded = clampToScreen(ScreenValue::FontSize, size);
    return static_cast<int>(bounded * clampToScreen(ScreenValue::Extent, windowHeight) / 768);
}

int captionFontSize(int sampleSize, int windowHeight) {
    const int bounded = clampToScreen(ScreenValue::FontSize, sampleSize);
    return scaledFontSize(bounded > 0 ? -bounded : bounded, windowHeight);
}

int captionStripHeight(int fontSize, bool hidden) {
    if (hidden) {
        return 0;
    }
    const qint64 size = std::abs(static_cast<qint64>(fontSize));
    return size == 0 ? 0 : clampToScreen(ScreenValue::Extent, (29 * size - 1) / 20);
}

ContentLayout layoutContent(QSize panel, int h, bool stripOnTop, bool pictureWide) {
    const int pw = panel.width();
    const int ph = panel.height();
    const int pictureWidth = pictureWide ? pw + 20 : pw;
    ContentLayout out;
    if (!stripOnTop) {
        out.web = QRect(0, 0, pw + 20, ph - h);
        out.picture = QRect(0, 0, pictureWidth, ph - h);
        // As high as the panel: the panel clips it to the strip.
        out.strip = QRect(0, ph - h, pw, ph);
    } else {
        out.strip = QRect(0, 0, pw, h);
        out.web = QRect(0, h, pw + 20, ph);
        out.picture = QRect(0, h, pictureWidth, ph);
    }
    return out;
}

QRect clampContentArea(QRect panel, QSize window) {
    if (window.width() < panel.width()) {
        panel.setWidth(window.width());
    }
    if (window.height() < panel.height()) {
        panel.setHeight(window.height());
    }
    return panel;
}

namespace {

// However many steps arrive, the rectangle stays on what a screen can show.
QRect boundedRect(qint64 x, qint64 y, qint64 width, qint64 height) {
    return QRect(clampToScreen(ScreenValue::Position, x), clampToScreen(ScreenValue::Position, y),
                 clampToScreen(ScreenValue::Extent, width),
                 clampToScreen(ScreenValue::Extent, height));
}

}  // namespace

QRect adjustEdge(QRect r, int edge, bool up) {
    const qint64 step = 10;
    const qint64 x = r.x();
    const qint64 y = r.y();
    const qint64 w = r.width();
    const qint64 h = r.height();
    switch (static_cast<Edge>(edge)) {
        case Edge::Top:
            return up ? boundedRect(x, y - step, w, h + step)
                      : boundedRect(x, y + step, w, h - step);
        case Edge::Left:
            return up ? boundedRect(x + step, y, w - step, h)
                      : boundedRect(x - step, y, w + step, h);
        case Edge::Right:
            return boundedRect(x, y, w + (up ? step : -step), h);
        case Edge::Bottom:
            return boundedRect(x, y, w, h + (up ? -step : step));
    }
    return r;
}

}  // namespace zul
