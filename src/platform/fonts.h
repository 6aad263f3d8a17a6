#pragma once

// The fonts that files and settings name, and which installed font families count as fixed
// pitch.
//
// Files name Windows fonts ("ＭＳ ゴシック", "ＭＳ Ｐゴシック", ...); they map to the IPA fonts
// that the program installs. The Japanese fixed-pitch fonts are marked dual-width by
// fontconfig (full-width letters twice as wide as half-width ones, spacing 90), which Qt
// does not count as fixed pitch; here they are.

#include <QStringList>

namespace zul {

// Maps the Windows font names to the IPA fonts for all of Qt's text.
void installFontAliases();

// The installed font families that are fixed pitch: fontconfig's mono, dual-width and
// character-cell fonts, and whatever Qt itself counts as fixed pitch. In Qt's order.
QStringList fixedPitchFamilies();

}  // namespace zul
