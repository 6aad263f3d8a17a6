#pragma once

// A caption script for `zulctl script`: the text file an operator prepares for the console,
// in code page 932 as the console saves it, or in UTF-8 as an editor of this machine
// writes it.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

namespace zul::ctl {

// Largest script file that is read.
inline constexpr qint64 kMaxScriptBytes = 16 * 1024 * 1024;

// The lines of the file as code page 932 bytes, without their line ends (CR LF or LF).
// Bytes that are valid UTF-8 (a byte order mark is dropped) are taken as UTF-8 and
// converted; any other bytes are code page 932 already. `unmappable` counts the characters
// that code page 932 cannot represent.
QByteArrayList scriptLines(QByteArrayView file, int* unmappable = nullptr);

// What stepping does with one line.
enum class ScriptStep {
    Send,    // a caption line: sent on Enter
    Note,    // the operator's note: skipped
    Marker,  // a queue marker (also a note): shown as a heading, skipped
};

ScriptStep scriptStep(QByteArrayView line);

}  // namespace zul::ctl
