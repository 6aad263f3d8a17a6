#include "platform/number_text.h"

#include <charconv>
#include <cmath>
#include <string>

namespace zul {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

int digitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') {
        v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
    }
    return v < base ? v : -1;
}

}  // namespace

std::optional<qint32> parseInteger(QByteArrayView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (; i < n; ++i) {
        const int d = digitValue(text[i], base);
        if (d < 0) {
            return std::nullopt;
        }
        value = value * base + d;
        // Hexadecimal text may spell a negative 32-bit value ("$FFFFFFFF").
        if (value > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL)) {
            return std::nullopt;
        }
    }
    if (base == 16 && value > 0x7FFFFFFFLL) {
        value = static_cast<qint32>(static_cast<quint32>(value));
    }
    if (negative) {
        value = -value;
    }
    if (value > 0x7FFFFFFFLL || value < -0x80000000LL) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

std::optional<double> parseFloat(QByteArrayView text) {
    std::string s(text.data(), static_cast<std::size_t>(text.size()));
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const auto last = s.find_last_not_of(" \t");
    s = s.substr(first, last - first + 1);
    // Only plain decimal notation: no hexadecimal floats, no "inf" or "nan".
    for (char c : s) {
        const bool ok =
            (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        if (!ok) {
            return std::nullopt;
        }
    }
    // from_chars ignores the process locale (Qt sets it from the environment) and takes
    // no leading '+'.
    const char* begin = s.c_str();
    if (*begin == '+') {
        ++begin;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(begin, s.c_str() + s.size(), v);
    if (ec != std::errc() || end != s.c_str() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

QByteArray formatFloat(double value) {
    return QByteArray::number(value, 'g', 15);
}

}  // namespace zul
