#pragma once

// Number text as the form framework's converters read it: the whole text must be a number,
// otherwise the caller's default applies.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace zul {

// Optional blanks, optional sign, then decimal digits, or hexadecimal digits after "$",
// "0x" or "0X"; nothing may follow. Values outside 32 bits give nullopt.
std::optional<qint32> parseInteger(QByteArrayView text);

// A decimal floating-point number ("255.9", "-1e3"), blanks around allowed.
std::optional<double> parseFloat(QByteArrayView text);

// The shortest text that reads back as the same number ("16777215", "255.5").
QByteArray formatFloat(double value);

}  // namespace zul
