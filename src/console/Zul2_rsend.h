#pragma once

// The continuous change sender: feeds one part of the display machine from a prepared list
// of values, one line per F2. Comment lines, queue markers and the queue jump are those of
// the console's caption script. The part names come from the console's parts grid.

#include <QByteArrayList>
#include <QEvent>
#include <QWidget>

#include "services/operator_channel.h"

class QComboBox;
class QPlainTextEdit;

namespace zul {

class DebugLog;
class Dialogs;
class ScriptEditor;

class Tzul_rsend : public QWidget {
    Q_OBJECT
public:
    Tzul_rsend(OperatorChannel channel, Dialogs& dialogs, DebugLog& log, QWidget* parent = nullptr);

    // The names of the console's parts grid (code page 932) become the entries of the
    // name box. Opened from the grid's menu (`show`), the box takes the first name and the
    // window comes up; a refresh by a parts list answer leaves a name already in the box,
    // so that the next F2 still goes to the part the operator is feeding.
    void setPartNames(const QByteArrayList& names, bool show);

    QComboBox* ComboBox1() const { return names_; }
    QPlainTextEdit* Memo1() const { return memo_; }
    QComboBox* QueJump() const { return queueJump_; }

private:
    bool memoKey(QEvent::Type type, int key);
    // F2: the caret's line to the chosen part unless it is a comment; then the next line.
    void sendCaretLine();
    QByteArray partName() const;

    OperatorChannel channel_;
    DebugLog& log_;
    QComboBox* names_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QComboBox* queueJump_ = nullptr;
    ScriptEditor* script_ = nullptr;
};

}  // namespace zul
