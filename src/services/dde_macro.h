#pragma once

// The macros that other programs on this machine send (the local macro channel): a command
// word, a blank, an operand. These are the pure steps: the text of one request as lines,
// the macro buffer, the split into command word and operand, and the command table.

#include <QString>
#include <QStringList>

namespace zul {

// The macro buffer holds this many characters.
inline constexpr qsizetype kMacroBufferChars = 1024;

// In the order the command words are compared.
enum class MacroCommand {
    RunServerWithFileset,
    SendCmd,
    RunServerWithFile,
    RunClientWithFile,
    OpenSetfile,
    RunServer,
    RunClient,
    LoadWall,
    LoadFileset,
    Unknown,
};

struct Macro {
    QString commandWord;
    QString operand;
    MacroCommand command = MacroCommand::Unknown;
};

// The lines of a request's text: split at its line breaks (LF or CR LF); a line break at
// the very end only ends the last line.
QStringList macroLines(const QString& text);

// The macro buffer: the lines, each followed by CR LF, without the final CR LF, and of
// that at most kMacroBufferChars characters (a character outside the basic plane is never
// cut in half).
QString macroBufferText(const QStringList& lines);

// Splits at the first blank: the command word before it, the operand after it (further
// blanks stay in the operand). Without a blank the whole text is the command word.
Macro parseMacro(const QString& bufferText);

// The command of a command word, compared without regard to case.
MacroCommand macroCommand(const QString& commandWord);

// The file name of a path operand: the text after its last "\" or "/", the whole operand
// when it has neither.
QString macroFileName(const QString& path);

}  // namespace zul
