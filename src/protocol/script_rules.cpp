#include "protocol/script_rules.h"

#include <algorithm>
#include <limits>

namespace zul {
namespace {

constexpr QByteArrayView kCommentStart{"<--"};
constexpr QByteArrayView kQueueLatin{"<--que"};
// "<-- Ｑ": the full-width Q is 0x82 0x70 in code page 932.
constexpr QByteArrayView kQueueWide{"<-- \x82\x70"};

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal when the bytes match with ASCII letters folded; `lowerPattern` is in lower case.
bool startsWithFolded(QByteArrayView line, QByteArrayView lowerPattern) {
    if (line.size() < lowerPattern.size()) {
        return false;
    }
    return std::equal(lowerPattern.begin(), lowerPattern.end(), line.begin(),
                      [](char p, char c) { return p == asciiLower(c); });
}

}  // namespace

bool isCommentLine(QByteArrayView line) {
    return line.startsWith(kCommentStart);
}

bool isQueueMarker(QByteArrayView line) {
    return startsWithFolded(line, kQueueLatin) || line.startsWith(kQueueWide);
}

std::optional<QByteArray> queueEntry(int lineNumber, QByteArrayView line) {
    if (!isQueueMarker(line)) {
        return std::nullopt;
    }
    QByteArray entry = QByteArray::number(lineNumber).rightJustified(5, '0');
    entry += ':';
    entry += line.sliced(kCommentStart.size());
    return entry;
}

QByteArrayList queueEntries(const QByteArrayList& lines) {
    QByteArrayList entries;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (auto entry = queueEntry(static_cast<int>(i), lines[i])) {
            entries << *entry;
        }
    }
    return entries;
}

std::optional<int> queueEntryLine(QByteArrayView entry) {
    qint64 number = 0;
    qsizetype digits = 0;
    for (char c : entry) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + (c - '0');
        if (number > std::numeric_limits<int>::max()) {
            return std::nullopt;
        }
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

int queueJumpCaretLine(int markerLine, int lineCount) {
    const int last = std::max(lineCount - 1, 0);
    if (markerLine > last - kQueueJumpOffset) {
        return last;
    }
    return markerLine + kQueueJumpOffset;
}

}  // namespace zul
