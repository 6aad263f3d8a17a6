#pragma once

// Rules shared by the operator's script editors, the console's caption script, the
// continuous sender's value list and zulctl's script stepping: which lines are the
// operator's notes, which notes are queue markers, and the queue jump list built from them. All
// decisions are made on the code page 932 bytes of a line, as the display machine receives it.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <optional>

namespace zul {

// The queue jump puts the caret this many lines below the marker, so that the marker
// stays near the top of the editor.
inline constexpr int kQueueJumpOffset = 13;

// A line whose first three bytes are "<--": the operator's own note, never sent.
bool isCommentLine(QByteArrayView line);

// A note whose first six bytes are "<--Que" or "<-- Ｑ", ASCII letters in either case.
// Only ASCII letters fold: the second byte of "Ｑ" is compared as it stands, so that a
// line such as "<-- １" (whose second byte is the ASCII "P") is no marker.
bool isQueueMarker(QByteArrayView line);

// The jump entry of a marker on line `lineNumber`: "%05d:" followed by the line from its
// fourth byte. Nothing when the line is no marker.
std::optional<QByteArray> queueEntry(int lineNumber, QByteArrayView line);

// The entries of every marker among `lines`, in line order.
QByteArrayList queueEntries(const QByteArrayList& lines);

// The line number an entry starts with, all of its digits; nothing when it does not start
// with a digit or the number is too large for a line number.
std::optional<int> queueEntryLine(QByteArrayView entry);

// Where the jump's second step puts the caret: thirteen lines below the marker, or the
// last line of a script that ends sooner.
int queueJumpCaretLine(int markerLine, int lineCount);

}  // namespace zul
