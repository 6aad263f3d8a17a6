#include "platform/wildcard.h"

#include <QList>

namespace zul {
namespace {

constexpr uint kAnyRun = '*';
constexpr uint kAnyOne = '?';

constexpr uint foldAscii(uint c) {
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

// Greedy match that backtracks only to the last '*': at most mask x name steps, never
// exponential.
bool matchCodePoints(const QList<uint>& mask, const QList<uint>& name) {
    constexpr qsizetype kNone = -1;
    qsizetype m = 0;
    qsizetype n = 0;
    qsizetype starMask = kNone;
    qsizetype starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == kAnyRun) {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() &&
                   (mask[m] == kAnyOne || foldAscii(mask[m]) == foldAscii(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != kNone) {
            // Let the last '*' swallow one more character and try again after it.
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == kAnyRun) {
        ++m;
    }
    return m == mask.size();
}

}  // namespace

bool matchesFileMask(QStringView mask, QStringView name) {
    // Code points, so that '?' takes a character outside the basic plane as one character.
    const QList<uint> nameChars = name.toUcs4();
    if (matchCodePoints(mask.toUcs4(), nameChars)) {
        return true;
    }
    // "name.*" also stands for "name" with no extension at all.
    return mask.endsWith(u".*") && matchCodePoints(mask.chopped(2).toUcs4(), nameChars);
}

}  // namespace zul
