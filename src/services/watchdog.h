#pragma once

// Notices a read event that has not finished ten seconds after it began: it throws away
// the half-received data of every reassembly buffer and tells every machine, by the failure
// notice, to re-establish its TCP connections.

#include <QObject>
#include <QTimer>
#include <functional>

namespace zul {

class DebugLog;
template <typename T>
class Setting;

class WatchDogService : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 10000;

    struct Hooks {
        std::function<void()> clearBuffers;       // empty every reassembly buffer
        std::function<void()> sendFailureNotice;  // recompute the address, send "ZUL,4,\n"
    };

    WatchDogService(DebugLog& log, Setting<bool>& disabled, QObject* parent = nullptr);

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    void setInterval(int ms) { WatchDog.setInterval(ms); }

    // At the start of a read event: arms the watchdog unless it is switched off; a running
    // count goes on.
    void start();
    // At the end of a read event.
    void stop() { WatchDog.stop(); }
    bool isActive() const { return WatchDog.isActive(); }

    // The expiry. A failing notice send leaves the timer running, so the expiry repeats.
    void WatchDogTimer();

Q_SIGNALS:
    // The expiry could not finish (the notice send failed); carries the error message.
    void failed(const QString& message);

private:
    DebugLog& log_;
    Setting<bool>& disabled_;
    Hooks hooks_;
    QTimer WatchDog;
};

}  // namespace zul
