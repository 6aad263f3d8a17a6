#pragma once

// The display machine's directory and query commands: the file and folder lists of the
// base directory, the base-directory change guarded by a key, the log, the caption
// settings and the processor load. Answers go only to the asking connection; a packet
// without a connection (an internal one) gets no answer.

#include <QString>

namespace zul {

class CpuMeter;
class DebugLog;
class Interpreter;
class StatusBroadcaster;
struct Settings;

// What the handlers read and change. Everything is owned elsewhere and outlives the
// interpreter.
struct DirectoryCommandContext {
    Settings& settings;
    DebugLog& log;
    StatusBroadcaster& broadcaster;
    CpuMeter& cpuMeter;
};

// Installs the handlers of CmdDirListGet, CmdDirListSend, CmdDirChange, CmdDebugLog,
// CmdFontRequest and CmdCpuLoadRequest.
void registerDirectoryCommands(Interpreter& interpreter, DirectoryCommandContext context);

// The folder that the ".." entry of the folder list names: the base directory without its
// last character, cut before its last '/'. The root "/" when that leaves nothing.
QString parentFolderOf(const QString& baseDir);

}  // namespace zul
