#include "console/script_editor.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

#include "protocol/script_rules.h"
#include "content/web_list.h"
#include "model/debug_log.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/errors.h"

namespace zul {
namespace {

const QString kTextFilter =
    QStringLiteral("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
const QString kLoadTitle = QStringLiteral("テンプレート読み込み");
const QString kFailedCaption = QStringLiteral("保存失敗");
const QString kDefaultName = QStringLiteral("default");

}  // namespace

ScriptEditor::ScriptEditor(QPlainTextEdit* editor, QComboBox* queueJump, Dialogs& dialogs,
                           DebugLog& log)
    : QObject(editor), editor_(editor), queueJump_(queueJump), dialogs_(dialogs), log_(log) {
    connect(editor_, &QPlainTextEdit::textChanged, this, &ScriptEditor::rebuildQueueJump);
    connect(queueJump_, &QComboBox::activated, this, &ScriptEditor::queueJump);
    rebuildQueueJump();
}

std::optional<QByteArray> ScriptEditor::caretLineToSend() const {
    int unmappable = 0;
    QByteArray line = cp932::encode(editor_->textCursor().block().text(), &unmappable);
    if (isCommentLine(line)) {
        return std::nullopt;
    }
    if (unmappable > 0) {
        log_.add(QStringLiteral("シフトJISで表せない文字 %1 個を「?」に置き換えて送信します。")
                     .arg(unmappable));
    }
    return line;
}

void ScriptEditor::moveCaretToLine(int line) {
    const QTextBlock block = editor_->document()->findBlockByNumber(line);
    if (!block.isValid()) {
        return;
    }
    QTextCursor cursor(block);
    if (block.length() > 1) {
        cursor.movePosition(QTextCursor::NextCharacter);
    }
    editor_->setTextCursor(cursor);
    editor_->ensureCursorVisible();
}

void ScriptEditor::stepToNextLine() {
    const QTextBlock next = editor_->textCursor().block().next();
    if (next.isValid()) {
        moveCaretToLine(next.blockNumber());
    }
    editor_->ensureCursorVisible();
}

void ScriptEditor::rebuildQueueJump() {
    QStringList entries;
    for (QTextBlock block = editor_->document()->firstBlock(); block.isValid();
         block = block.next()) {
        // Every marker starts with "<--", which is the same three characters as text; only
        // such lines need their bytes.
        const QString text = block.text();
        if (!text.startsWith(QLatin1String("<--"))) {
            continue;
        }
        if (const auto entry = queueEntry(block.blockNumber(), cp932::encode(text))) {
            entries << cp932::decode(*entry);
        }
    }
    queueJump_->clear();
    queueJump_->addItems(entries);
    queueJump_->setCurrentIndex(-1);
}

void ScriptEditor::queueJump(int index) {
    const auto marker = queueEntryLine(cp932::encode(queueJump_->itemText(index)));
    if (!marker) {
        return;
    }
    const int lineCount = editor_->document()->blockCount();
    const int markerLine = std::min(*marker, lineCount - 1);
    moveCaretToLine(markerLine);
    moveCaretToLine(queueJumpCaretLine(markerLine, lineCount));
    // In an editor too short for thirteen lines the marker would have scrolled away: it is
    // the line the operator looks for, so it wins over the caret. Without line wrapping the
    // scroll position is the number of the first visible line.
    QScrollBar* bar = editor_->verticalScrollBar();
    if (bar->value() > markerLine) {
        bar->setValue(markerLine);
    }
}

void ScriptEditor::load() {
    const QString path = dialogs_.openFileName(kLoadTitle, kTextFilter);
    if (path.isEmpty()) {
        return;
    }
    QByteArrayList lines;
    try {
        lines = readTextLines(path);
    } catch (const ZulError& error) {
        log_.add(QStringLiteral("エラー：%1").arg(error.message()));
        dialogs_.message(QStringLiteral("読み込みできません。容量やアクセス権を確認してください。"),
                         kFailedCaption, Dialogs::Icon::Information);
        return;
    }
    QStringList texts;
    texts.reserve(lines.size());
    for (const QByteArray& line : lines) {
        texts << cp932::decode(line);
    }
    editor_->setPlainText(texts.join(QLatin1Char('\n')));
}

void ScriptEditor::save() {
    QString path = dialogs_.saveFileName(QString(), kTextFilter, kDefaultName);
    if (path.isEmpty()) {
        return;
    }
    // The default extension, for a name typed without one.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".txt");
    }
    QByteArrayList lines;
    int unmappable = 0;
    for (QTextBlock block = editor_->document()->firstBlock(); block.isValid();
         block = block.next()) {
        int missing = 0;
        lines << cp932::encode(block.text(), &missing);
        unmappable += missing;
    }
    QString error;
    if (!writeWebList(path, lines, &error)) {
        log_.add(QStringLiteral("エラー：%1 %2").arg(path, error));
        dialogs_.message(QStringLiteral("保存できません。容量やアクセス権を確認してください。"),
                         kFailedCaption, Dialogs::Icon::Information);
        return;
    }
    if (unmappable > 0) {
        log_.add(QStringLiteral("%1 の保存でシフトJISで表せない文字 %2 個を「?」に置き換えました。")
                     .arg(path)
                     .arg(unmappable));
    }
}

}  // namespace zul
