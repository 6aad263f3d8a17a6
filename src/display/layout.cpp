#include "display/layout.h"

#include <cstdlib>

namespace zul {

int scaledFontSize(int size, int windowHeight) {
    // Integer arithmetic truncates toward zero as the exact quotient does.
    return static_cast<int>(static_cast<long long>(size) * windowHeight / 768);
}

int captionFontSize(int sampleSize, int windowHeight) {
    const int negated = sampleSize > 0 ? -sampleSize : sampleSize;
    return scaledFontSize(negated, windowHeight);
}

int captionStripHeight(int fontSize, bool hidden) {
    if (hidden) {
        return 0;
    }
    const int size = std::abs(fontSize);
    return size == 0 ? 0 : (29 * size - 1) / 20;
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

QRect adjustEdge(QRect r, int edge, bool up) {
    const int step = 10;
    switch (static_cast<Edge>(edge)) {
        case Edge::Top:
            return up ? QRect(r.x(), r.y() - step, r.width(), r.height() + step)
                      : QRect(r.x(), r.y() + step, r.width(), r.height() - step);
        case Edge::Left:
            return up ? QRect(r.x() + step, r.y(), r.width() - step, r.height())
                      : QRect(r.x() - step, r.y(), r.width() + step, r.height());
        case Edge::Right:
            return QRect(r.x(), r.y(), r.width() + (up ? step : -step), r.height());
        case Edge::Bottom:
            return QRect(r.x(), r.y(), r.width(), r.height() + (up ? -step : step));
    }
    return r;
}

}  // namespace zul
