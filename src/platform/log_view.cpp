#include "platform/log_view.h"

#include <QPlainTextEdit>

namespace zul {

void makeAppendOnly(QPlainTextEdit* view, int maxLines) {
    view->setReadOnly(true);
    view->setUndoRedoEnabled(false);
    if (maxLines > 0) {
        view->setMaximumBlockCount(maxLines);
    }
}

}  // namespace zul
