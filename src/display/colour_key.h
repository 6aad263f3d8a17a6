#pragma once

// The colour key of the display and background windows: every pixel of exactly the key
// colour lets what lies behind the window show through, every other pixel stays. X11 has
// no per-window colour key, so the key becomes the window's mask.

#include <QColor>
#include <QImage>
#include <QRegion>

namespace zul {

// The part of `picture` that stays: the pixels that differ from `key` in red, green or
// blue (alpha is not compared). Never empty, since an empty mask would show the whole
// window: a picture all of the key colour gives one pixel outside it.
QRegion colourKeyRegion(const QImage& picture, QColor key);

// The mask of a window that shows nothing at all.
QRegion nothingShown();

}  // namespace zul
