#pragma once

// Turns SIGTERM and SIGINT into the `signalled` signal on the event loop, so the program ends
// the orderly way and its exit steps (the log file among them) run as on a normal exit. The
// signal handler only writes a byte to a socket pair; the event loop reads it. Work that keeps
// the event loop from it for long (a read with a backlog of packets) asks caught() and stops.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace zul {

class QuitOnSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

    int lastSignal() const { return lastSignal_; }
    // A signal has come, even while `signalled` still waits for the event loop.
    bool caught() const;

Q_SIGNALS:
    void signalled(int signal);

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    int lastSignal_ = 0;
};

}  // namespace zul
