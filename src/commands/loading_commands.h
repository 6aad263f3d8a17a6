#pragma once

// The interpreter's loading, saving and parts commands: settings files, file sets, parts
// definitions and values, worksheets, and the save of the current configuration.

#include <QByteArray>
#include <functional>

namespace zul {

class DebugLog;
class Interpreter;
class SettingsFile;
class StatusBroadcaster;
class TMainDisp;
class Worksheet;
struct HubState;
struct Settings;

struct LoadingCommandContext {
    Settings& settings;
    HubState& hub;
    DebugLog& log;
    StatusBroadcaster& status;
    SettingsFile& settingsFile;
    TMainDisp& display;
    Worksheet& worksheet;
    // Shows the worksheet's progress (maximum, value); may be empty.
    std::function<void(int, int)> worksheetProgress;
    // Asks the captioning program on this machine to load a settings file; may be empty.
    std::function<void(const QByteArray&)> iptalkLoadFile;
};

void registerLoadingCommands(Interpreter& interpreter, LoadingCommandContext context);

// Whether a name asked for by a remote save is a bare file name: no folder part, no "..",
// no drive. The code page 932 name is checked as text.
bool isBareSaveName(const QByteArray& name);

}  // namespace zul
