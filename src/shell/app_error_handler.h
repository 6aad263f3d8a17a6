#pragma once

// Where every error that no operation caught ends up: a log line, a pop-up when the
// operator asked for them, and a status line so that everybody sees it.

#include "platform/errors.h"

namespace zul {

class DebugLog;
class Dialogs;
class StatusBroadcaster;
struct Settings;

class AppErrorHandler : public ErrorSink {
public:
    AppErrorHandler(DebugLog& log, Settings& settings, Dialogs& dialogs, StatusBroadcaster& status);

    void reportError(const QString& message) override;

private:
    DebugLog& log_;
    Settings& settings_;
    Dialogs& dialogs_;
    StatusBroadcaster& status_;
    bool reporting_ = false;
};

}  // namespace zul
