#include "console/display_monitor.h"

#include <algorithm>

namespace zul {

MonitorLabel initialMonitorLabel() {
    return {QStringLiteral("【CPUモニター準備中】"), kMonitorBlue};
}

MonitorTick monitorTick(bool running, int pending) {
    if (!running) {
        // The count stays as it is until the next answer.
        return {false, pending, {QStringLiteral("**表示停止中**"), kMonitorGrey}};
    }
    const int sent = pending + 1;
    if (sent < kSilentAfter) {
        return {true, sent, {QStringLiteral("正常動作中"), kMonitorBlue}};
    }
    return {true, sent, {QStringLiteral("**表示機から応答がありません**"), kMonitorRed}};
}

ColorValue gaugeColour(int percent) {
    if (percent < 50) {
        return kMonitorNavy;
    }
    if (percent < 90) {
        return kMonitorYellow;
    }
    return kMonitorRed;
}

CpuGauge cpuGauge(int percent, int pending) {
    if (pending >= kSilentAfter) {
        // A late answer: the full red gauge stays until the following answer.
        return {100, kMonitorRed, MonitorLabel{QStringLiteral("正常稼動中"), kMonitorBlue}};
    }
    return {std::clamp(percent, 0, 100), gaugeColour(percent), std::nullopt};
}

}  // namespace zul
