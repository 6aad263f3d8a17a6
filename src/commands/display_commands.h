#pragma once

// The interpreter's routing of the display, option and presentation commands to the
// display window and the hub's option boxes.

#include <QByteArray>
#include <functional>

namespace zul {

class Interpreter;
class IptalkCooperation;
class TMainDisp;
struct Settings;

struct DisplayCommandContext {
    Settings& settings;
    TMainDisp& display;
    // Adds a line to the operator console's chat memo.
    std::function<void(const QByteArray&)> addChatLine;
    // The captioning program's window on this machine; none: it never exists.
    IptalkCooperation* iptalk = nullptr;
};

void registerDisplayCommands(Interpreter& interpreter, DisplayCommandContext context);

}  // namespace zul
