#pragma once

// Rules of the caption script in the console's "文字送信" tab: which lines are the
// operator's notes, which notes are queue markers, the queue jump list built from them and
// what a key does under the Enter mode. All decisions are made on the code page 932 bytes
// of a line, as the display machine receives it.

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

// What a key pressed in the script editor does once the Enter mode is applied: Enter is F1
// in mode 1 and F3 in mode 2.
enum class EditorKey { Other, Enter, F1, F3 };
EditorKey editorKey(int qtKey, int enterMode);

// Return and the keypad's Enter.
bool isEnterKey(int qtKey);

}  // namespace zul
