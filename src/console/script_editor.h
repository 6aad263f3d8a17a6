#pragma once

// What the console's caption script and the continuous sender's value list do alike: a
// plain text editor with its queue jump list, rebuilt on every change of the text; the
// jump to a marker; the caret stepping line by line; loading and saving the text as a
// code page 932 file. The keys that send are each window's own.

#include <QByteArray>
#include <QObject>
#include <optional>

class QComboBox;
class QPlainTextEdit;

namespace zul {

class DebugLog;
class Dialogs;

class ScriptEditor : public QObject {
public:
    // Both widgets belong to the calling window and outlive this object, which is the
    // editor's child.
    ScriptEditor(QPlainTextEdit* editor, QComboBox* queueJump, Dialogs& dialogs, DebugLog& log);

    // The caret's line as the display machine gets it: code page 932, a character it cannot
    // hold replaced by '?' and logged. Nothing for a comment line, which is never sent.
    std::optional<QByteArray> caretLineToSend() const;

    // The caret to column 1 of `line` (the end of an empty line), scrolled into view; a line
    // that does not exist leaves the caret where it is.
    void moveCaretToLine(int line);
    // The caret to column 1 of the next line; on the last line it stays.
    void stepToNextLine();

    // The jump list's entries from the markers of the text, none chosen.
    void rebuildQueueJump();
    // The jump to the marker of entry `index`: the marker at the top, the caret thirteen
    // lines below it.
    void queueJump(int index);

    // "テンプレート読み込み": the lines of a chosen text file replace the text; a file that
    // cannot be read is reported and changes nothing.
    void load();
    // Saves the lines with CR LF ends under a chosen name (".txt" added to a name without an
    // extension); a failed save is reported and leaves an older file whole.
    void save();

private:
    QPlainTextEdit* editor_;
    QComboBox* queueJump_;
    Dialogs& dialogs_;
    DebugLog& log_;
};

}  // namespace zul
