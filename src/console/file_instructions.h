#pragma once

// Decisions of the console's "ファイル指示" tab: the file masks, the instruction buttons
// with the packets they send, which buttons a chosen file enables, what a double-click on
// it runs, and the fade levels of the slider.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>
#include <vector>

#include "protocol/command_table.h"

namespace zul {

// The instruction buttons, in the order their rules list them.
enum class FileInstruction {
    sel_bg1,
    sel_txa,
    sel_bga,
    sel_rp1,
    sel_rp1h,
    sel_bk,
    sel_rd1,
    sel_rf1,
    sel_rv1,
    sel_csv,
    sel_dp9,
};

struct FileInstructionInfo {
    FileInstruction id;
    const char* name;            // the button's control name
    const char* caption;         // UTF-8
    bool shown;                  // hidden buttons are reached by a double-click only
    std::optional<Cmd> command;  // none: the name goes to the captioning program
    bool requestsParts;          // the parts list is requested afterwards
    bool enabledAtStart;
};

// Every instruction, in the order of FileInstruction.
std::span<const FileInstructionInfo> fileInstructions();
const FileInstructionInfo& fileInstruction(FileInstruction id);

// The text of `name` from its last dot, ASCII letters in lower case; empty without a dot.
QByteArray lowerExtension(QByteArrayView name);

// The buttons that a file of this name enables (every other one is disabled), in the order
// of FileInstruction.
std::vector<FileInstruction> enabledInstructions(QByteArrayView name);

// The instruction that a double-click (or Enter) on the file runs, if any.
std::optional<FileInstruction> doubleClickInstruction(QByteArrayView name);

// The entries of the mask box.
QStringList fileMaskEntries();

// The mask sent for the box: the fixed mask of entry `index`, or the box's text (code
// page 932) when no entry is chosen (`index` outside the entries).
QByteArray fileListMask(int index, const QString& text);

// The fade slider's positions.
inline constexpr int kFadeMinPosition = 0;
inline constexpr int kFadeMaxPosition = 8;

// The level sent for a slider position: 255 at the top position, else 32 per step.
int fadeLevel(int position);

}  // namespace zul
