#pragma once

// Read-only text views that lines are only ever appended to (the log, the chat memo, a
// fetched log). Without care such a view keeps an undo step for every line it was given,
// even after it is cleared, and a view fed from the network grows without end.

class QPlainTextEdit;

namespace zul {

// Makes `view` read-only, keeps no undo history, and (when `maxLines` > 0) drops its
// oldest lines beyond `maxLines`.
void makeAppendOnly(QPlainTextEdit* view, int maxLines = 0);

}  // namespace zul
