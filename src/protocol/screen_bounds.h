#pragma once

// Bounds for numbers that become font sizes, positions and sizes on a screen. Peers send
// them as decimal text that may read as anything from INT_MIN to INT_MAX; they are bounded
// to what a screen can show before any arithmetic, so that the products taken of them
// (the caption strip is 29 x the font size / 20 high, fonts scale with the window height)
// stay far inside int and no window, strip or glyph grows beyond a real screen.

#include <QtGlobal>

namespace zul {

// A caption or part font of 1000 points is far taller than any screen in the 1024 x 768
// reference frame; a negative size (the whole character cell) is bounded alike.
inline constexpr int kMaxFontPoints = 1000;
// Width and height of the largest screen (8K) with room to spare, in pixels; positions
// may lie as far off the screen on either side.
inline constexpr int kMaxScreenPixels = 8192;

enum class ScreenValue {
    FontSize,  // points, either sign: -kMaxFontPoints .. kMaxFontPoints
    Position,  // pixels: -kMaxScreenPixels .. kMaxScreenPixels
    Extent,    // width or height in pixels: 0 .. kMaxScreenPixels
};

// `value` clamped to the range of its kind.
int clampToScreen(ScreenValue kind, qint64 value);

}  // namespace zul
