#include "services/watchdog.h"

#include "model/debug_log.h"
#include "model/setting.h"
#include "platform/errors.h"

namespace zul {

WatchDogService::WatchDogService(DebugLog& log, Setting<bool>& disabled, QObject* parent)
    : QObject(parent), log_(log), disabled_(disabled) {
    WatchDog.setInterval(kIntervalMs);
    connect(&WatchDog, &QTimer::timeout, this, [this] {
        try {
            WatchDogTimer();
        } catch (...) {
            Q_EMIT failed(describeCurrentException());
        }
    });
}

void WatchDogService::start() {
    if (disabled_() || WatchDog.isActive()) {
        return;
    }
    WatchDog.start();
}

void WatchDogService::WatchDogTimer() {
    log_.add(QStringLiteral("WatchDog:ハングアップを検出。バッファクリアします。"));
    if (hooks_.clearBuffers) {
        hooks_.clearBuffers();
    }
    if (hooks_.sendFailureNotice) {
        hooks_.sendFailureNotice();
    }
    WatchDog.stop();
}

}  // namespace zul
