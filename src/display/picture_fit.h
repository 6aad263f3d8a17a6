#pragma once

// Where the picture viewer draws a picture of a given size inside its client area, for the
// two options "stretch to the viewer" and "keep the aspect ratio".

#include <QRect>
#include <QSize>

namespace zul {

// The rectangle, in viewer coordinates, that a `picture`-sized image covers in a
// `viewer`-sized client area:
//   stretch off, proportional off: own size, centred (cut off equally when larger);
//   stretch off, proportional on:  own size when it fits, else scaled down keeping aspect;
//   stretch on,  proportional off: exactly the viewer;
//   stretch on,  proportional on:  the largest size that fits, keeping aspect, centred.
// A picture with a zero dimension fills the viewer whenever scaling applies. The top-left
// corner is negative when the picture is larger than the viewer.
QRect fitPicture(QSize picture, QSize viewer, bool stretch, bool proportional);

}  // namespace zul
