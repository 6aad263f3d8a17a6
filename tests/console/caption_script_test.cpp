#include <gtest/gtest.h>

#include "console/caption_script.h"

using namespace zul;

TEST(CaptionScript, EnterBecomesTheSendingKeyOfItsMode) {
    const struct {
        int key;
        int mode;
        EditorKey result;
    } cases[] = {
        {Qt::Key_Return, 0, EditorKey::Enter}, {Qt::Key_Enter, 0, EditorKey::Enter},
        {Qt::Key_Return, 1, EditorKey::F1},    {Qt::Key_Enter, 2, EditorKey::F3},
        {Qt::Key_F1, 0, EditorKey::F1},        {Qt::Key_F1, 2, EditorKey::F1},
        {Qt::Key_F3, 1, EditorKey::F3},        {Qt::Key_F2, 1, EditorKey::Other},
        {Qt::Key_A, 1, EditorKey::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(editorKey(c.key, c.mode), c.result) << c.key << " mode " << c.mode;
    }
}
