#pragma once

// The console's display monitor: once a second it asks the display machine for its
// processor load and counts the requests that have no answer yet; the status label tells
// the operator whether the display machine still answers, the gauge shows the load.

#include <QString>
#include <optional>

#include "platform/colour.h"

namespace zul {

inline constexpr ColorValue kMonitorBlue = 16711680;
inline constexpr ColorValue kMonitorRed = 255;
inline constexpr ColorValue kMonitorGrey = 8421504;
inline constexpr ColorValue kMonitorNavy = 8388608;
inline constexpr ColorValue kMonitorYellow = 65535;

// Requests without an answer from which the display machine counts as silent.
inline constexpr int kSilentAfter = 3;

// The status label: white text on `background`.
struct MonitorLabel {
    QString text;
    ColorValue background = kMonitorBlue;

    friend bool operator==(const MonitorLabel&, const MonitorLabel&) = default;
};

// "【CPUモニター準備中】" on blue.
MonitorLabel initialMonitorLabel();

// One tick: whether a request goes out, the count of unanswered requests after it and the
// label to show.
struct MonitorTick {
    bool sendRequest = false;
    int pending = 0;
    MonitorLabel label;
};
MonitorTick monitorTick(bool running, int pending);

// The gauge after an answer; `label` is set when the answer ends a silence. The count of
// unanswered requests is 0 after every answer.
struct CpuGauge {
    int value = 0;  // 0..100
    ColorValue colour = kMonitorNavy;
    std::optional<MonitorLabel> label;
};
CpuGauge cpuGauge(int percent, int pending);

// Navy below 50, yellow from 50 to 89, red from 90.
ColorValue gaugeColour(int percent);

}  // namespace zul
