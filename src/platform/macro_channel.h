#pragma once

// The local macro channel: how another program on the same machine hands this one a macro
// text. It is a service on the D-Bus session bus: the well-known name "org.zul." followed
// by the program file's name up to its first "." (so "org.zul.zul"), the object "/System",
// the interface "org.zul.Macro" with the method Execute(s macro). A call is answered at
// once; the macro runs afterwards from the event loop, one at a time, in the order the
// calls came.

#include <QObject>
#include <QString>
#include <functional>

namespace zul {

class MacroChannel : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.zul.Macro")
public:
    static constexpr const char* kInterface = "org.zul.Macro";
    static constexpr const char* kObjectPath = "/System";
    static constexpr const char* kServicePrefix = "org.zul.";
    // Characters of a macro text that are kept; the macro buffer holds fewer than this.
    static constexpr qsizetype kKeptChars = 4096;

    // "org.zul." + the file name of `programFile` (a path or a bare name) up to its first
    // "."; characters outside A-Z, a-z, 0-9 and "_" become "_", and a name that would
    // start with a digit or be empty gets a "_" in front.
    static QString serviceName(const QString& programFile);

    explicit MacroChannel(QObject* parent = nullptr);
    ~MacroChannel() override;
    MacroChannel(const MacroChannel&) = delete;
    MacroChannel& operator=(const MacroChannel&) = delete;

    // A received macro: its first kKeptChars characters and the length it had.
    std::function<void(const QString& macro, qsizetype receivedChars)> received;

    // Offers the service on the session bus, or on the bus at `busAddress` when given.
    // Returns an empty string on success, otherwise what went wrong.
    QString open(const QString& service, const QString& busAddress = {});
    void close();
    bool isOpen() const { return !service_.isEmpty(); }

    // The outcome of sending a macro to a running program.
    struct SendResult {
        enum class Status { Sent, NoBus, NoProgram, Failed };
        Status status = Status::Failed;
        QString detail;  // the bus's error text
    };
    // Sends `macro` to the program that offers `service` and waits for its answer.
    static SendResult send(const QString& service, const QString& macro,
                           const QString& busAddress = {});

public Q_SLOTS:
    // The method other programs call.
    Q_SCRIPTABLE void Execute(const QString& macro);

private:
    QString connectionName_;
    QString service_;
};

}  // namespace zul
