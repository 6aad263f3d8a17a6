#pragma once

// The pixels of a part of the X screen as it is shown now (every window on it, as the
// audience sees them), read over an X connection of its own: any thread may call it, and
// the one that paints the screen does not wait for the copy.

#include <QImage>
#include <QRect>

namespace zul {

// `area` in screen coordinates, cut to the screen. A null image without an X display or for
// a screen whose pixels are not 24-bit colour in 32-bit words.
QImage grabScreenArea(const QRect& area);

}  // namespace zul
