#pragma once

// The caption line's choice of the next line when a scrolling line has left the strip:
// through the text list in list mode (a loop, empty lines skipped) or queue mode (every
// queued line once; the end of the queue or an empty line ends scrolling).

#include <QByteArray>

namespace zul {

class LineList;

struct NextCaption {
    bool stop = false;  // end scrolling: the timer is not restarted
    QByteArray text;    // the next caption text (empty when stopping)
};

// At most this many list positions are looked at for one next line.
inline constexpr int kMaxLinesSkipped = 150;

// Advances `textIndex` through `list` as the scroll tick does; may clear or rewrite the
// list and change `lineAppend` (see LineAppend in the hub state).
NextCaption takeNextScrollLine(LineList& list, int& textIndex, int& lineAppend);

}  // namespace zul
