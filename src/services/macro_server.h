#pragma once

// The macro interface: other programs on this machine start a role, load a settings file,
// show a background, load a file set or inject any packet by sending a macro over the local
// macro channel. Everything a macro does is an existing operation of the program; an
// error in one leaves the macro at that point and reaches the application error handler.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/macro_channel.h"

namespace zul {

class DebugLog;
class ErrorSink;
struct Macro;

class MacroServer : public QObject {
    Q_OBJECT
public:
    // The operations that macros run.
    struct Actions {
        std::function<void()> startDisplayRole;   // "表示機として起動"
        std::function<void()> startOperatorRole;  // "操作機として起動"
        std::function<void(const QString& path)> loadSettingsFile;
        // Runs an internal packet (command byte and operand, without connection).
        std::function<void(const QByteArray& packet)> executePacket;
    };

    MacroServer(DebugLog& log, ErrorSink& errors, QObject* parent = nullptr);

    void setActions(Actions actions) { actions_ = std::move(actions); }

    // Offers the macro channel under `service`, on the session bus or the bus at
    // `busAddress`. Logs the outcome; without a bus the program goes on without macros.
    bool open(const QString& service, const QString& busAddress = {});
    bool isOpen() const { return channel_.isOpen(); }

    // One request: its text as lines, and how many characters its text had.
    void SystemExecuteMacro(const QStringList& lines, qsizetype receivedChars = -1);

private:
    void run(const Macro& macro);
    void loadSettings(const QString& path);
    void executeWithFileName(char commandByte, const QString& path);
    // Packet bytes of macro text; characters that code page 932 lacks become '?'.
    QByteArray packetText(const QString& text);

    DebugLog& log_;
    ErrorSink& errors_;
    Actions actions_;
    MacroChannel channel_;
};

}  // namespace zul
