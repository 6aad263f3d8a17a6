#include "console/caption_script.h"

#include <Qt>

namespace zul {

bool isEnterKey(int qtKey) {
    return qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
}

EditorKey editorKey(int qtKey, int enterMode) {
    if (isEnterKey(qtKey)) {
        switch (enterMode) {
            case 1:
                return EditorKey::F1;
            case 2:
                return EditorKey::F3;
            default:
                return EditorKey::Enter;
        }
    }
    if (qtKey == Qt::Key_F1) {
        return EditorKey::F1;
    }
    if (qtKey == Qt::Key_F3) {
        return EditorKey::F3;
    }
    return EditorKey::Other;
}

}  // namespace zul
