#pragma once

// Colours as the program stores them in packets, grids and files: a signed 32-bit value,
// 0x00BBGGRR for a plain colour (red in the lowest byte); a negative value (top bit set)
// names a system colour by the index in its low byte.

#include <QColor>
#include <QtGlobal>

namespace zul {

using ColorValue = qint32;

inline constexpr ColorValue kColorWhite = 16777215;
inline constexpr ColorValue kColorBlack = 0;
inline constexpr ColorValue kSysColorWindow = static_cast<ColorValue>(0x80000005u);
inline constexpr ColorValue kSysColorWindowText = static_cast<ColorValue>(0x80000008u);

QColor toQColor(ColorValue value);
ColorValue fromQColor(const QColor& colour);

}  // namespace zul
