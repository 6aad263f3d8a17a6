#pragma once

// Rules of the caption script in the console's "文字送信" tab beyond those it shares with
// the continuous sender (script_rules.h): what a key does under the Enter mode.

#include "protocol/script_rules.h"

namespace zul {

// What a key pressed in the script editor does once the Enter mode is applied: Enter is F1
// in mode 1 and F3 in mode 2.
enum class EditorKey { Other, Enter, F1, F3 };
EditorKey editorKey(int qtKey, int enterMode);

// Return and the keypad's Enter.
bool isEnterKey(int qtKey);

}  // namespace zul
