#pragma once

// What the program loads at start: the settings file named on the command line, or else
// the start folder's startup files, in their fixed order.

#include <QString>
#include <QStringList>

namespace zul {

class DebugLog;
class ErrorSink;
class PacketExecutor;
class SettingsFile;
struct Settings;

// The command-line text: the arguments after the program name joined by single blanks.
QString commandLineText(const QStringList& arguments);

struct StartupContext {
    Settings& settings;
    SettingsFile& settingsFile;
    PacketExecutor& executor;
    DebugLog& log;
    ErrorSink& errors;
};

// Sets the base directory to `startFolder`, then loads the command-line settings file or
// the startup files "startup.rd1", "startup.rw1" and "startup.rf1". Each step runs under
// its own guard, so a failing file does not keep the program from starting.
void runStartup(const StartupContext& ctx, const QString& commandLine, const QString& startFolder);

}  // namespace zul
