#pragma once

// Ends the event loop the orderly way on SIGTERM and SIGINT, so the exit steps (the log
// file among them) run as on a normal exit. The signal handler only writes a byte to a
// socket pair; the event loop reads it and quits.

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

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    int lastSignal_ = 0;
};

}  // namespace zul
