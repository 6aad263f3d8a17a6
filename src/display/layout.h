#pragma once

// The arithmetic of the display window's content area: caption font scaling, the caption
// strip height, where the viewers and the strip go, keeping the content area inside the
// window, and the 10-pixel frame adjustment steps. Pure functions, no widgets.

#include <QRect>
#include <QSize>

namespace zul {

// The caption font size of the display window: the sample size negated when positive (a
// negative size counts the whole character cell), scaled to the window height against the
// 768-line reference, the exact quotient truncated toward zero.
int captionFontSize(int sampleSize, int windowHeight);

// The font update keeps the sample size positive and scales it the same way.
int scaledFontSize(int size, int windowHeight);

// Strip height for a font size: (29 * |size| - 1) / 20 with truncating division, 0 while
// the strip is hidden.
int captionStripHeight(int fontSize, bool hidden);

struct ContentLayout {
    QRect web;      // web, Office and PDF viewers (20 pixels wider: their scroll bars are clipped)
    QRect picture;  // picture viewer
    QRect strip;    // caption line
};

// Placement inside a content area of `panel` size with a strip of height h at the bottom,
// or at the top when `stripOnTop`. `pictureWide` gives the picture viewer the 20 extra
// pixels too (as the font update lays it out).
ContentLayout layoutContent(QSize panel, int h, bool stripOnTop, bool pictureWide = false);

// The content area after limiting it to the window: never wider or higher than the window.
QRect clampContentArea(QRect panel, QSize window);

enum class Edge { Top = 1, Left = 2, Right = 3, Bottom = 4 };

// One 10-pixel step of an edge; `up` is the up arrow for top and bottom edges and the
// right arrow for left and right edges. Unknown edges change nothing.
QRect adjustEdge(QRect rect, int edge, bool up);

}  // namespace zul
