#include "display/picture_fit.h"

#include <algorithm>

namespace zul {
namespace {

// The largest size of the picture's aspect ratio that fits into cw x ch. With r = w / h a
// side is cw / r or ch x r truncated; both are taken as exact integer quotients, since a
// quotient in floating point can come out just below a whole number (700 x 1.4 gives
// 979.99...) and lose a pixel to the truncation.
QSize keepAspect(int w, int h, int cw, int ch) {
    if (w == 0 || h == 0) {
        return {cw, ch};
    }
    // cw / r and ch x r; every operand is at least 0, so the division truncates toward zero.
    const auto widthOverR = [&] { return static_cast<int>(qint64{cw} * h / w); };
    const auto heightTimesR = [&] { return static_cast<int>(qint64{ch} * w / h); };
    int sw = 0;
    int sh = 0;
    if (w > h) {
        sw = cw;
        sh = widthOverR();
        if (sh > ch) {
            sh = ch;
            sw = heightTimesR();
        }
    } else {
        sh = ch;
        sw = heightTimesR();
        if (sw > cw) {
            sw = cw;
            sh = widthOverR();
        }
    }
    return {sw, sh};
}

QSize drawnSize(int w, int h, int cw, int ch, bool stretch, bool proportional) {
    if (stretch) {
        return proportional ? keepAspect(w, h, cw, ch) : QSize(cw, ch);
    }
    if (proportional && (w > cw || h > ch)) {
        return keepAspect(w, h, cw, ch);
    }
    return {w, h};
}

}  // namespace

QRect fitPicture(QSize picture, QSize viewer, bool stretch, bool proportional) {
    // An invalid size (Qt's default is -1 x -1) counts as empty.
    const int w = std::max(picture.width(), 0);
    const int h = std::max(picture.height(), 0);
    const int cw = std::max(viewer.width(), 0);
    const int ch = std::max(viewer.height(), 0);
    const QSize size = drawnSize(w, h, cw, ch, stretch, proportional);
    // Integer division truncates toward zero, also for a picture larger than the viewer.
    return {(cw - size.width()) / 2, (ch - size.height()) / 2, size.width(), size.height()};
}

}  // namespace zul
