#include <gtest/gtest.h>

#include "console/display_monitor.h"

using namespace zul;

TEST(DisplayMonitor, TicksCountUnansweredRequestsUntilTheDisplayCountsAsSilent) {
    const MonitorLabel normal{QStringLiteral("正常動作中"), kMonitorBlue};
    const MonitorLabel silent{QStringLiteral("**表示機から応答がありません**"), kMonitorRed};
    int pending = 0;
    const MonitorLabel expected[] = {normal, normal, silent, silent};
    for (const MonitorLabel& label : expected) {
        const MonitorTick tick = monitorTick(true, pending);
        EXPECT_TRUE(tick.sendRequest);
        EXPECT_EQ(tick.pending, pending + 1);
        EXPECT_EQ(tick.label, label) << tick.pending;
        pending = tick.pending;
    }

    const MonitorTick stopped = monitorTick(false, 5);
    EXPECT_FALSE(stopped.sendRequest);
    EXPECT_EQ(stopped.pending, 5);
    EXPECT_EQ(stopped.label, (MonitorLabel{QStringLiteral("**表示停止中**"), kMonitorGrey}));
}

TEST(DisplayMonitor, GaugeColourAndTheEndOfASilence) {
    const struct {
        int percent;
        int pending;
        int value;
        ColorValue colour;
        bool recovered;
    } cases[] = {
        {10, 1, 10, kMonitorNavy, false},   {49, 0, 49, kMonitorNavy, false},
        {50, 0, 50, kMonitorYellow, false}, {89, 2, 89, kMonitorYellow, false},
        {90, 0, 90, kMonitorRed, false},    {95, 1, 95, kMonitorRed, false},
        {10, 3, 100, kMonitorRed, true},    {0, 7, 100, kMonitorRed, true},
        {150, 0, 100, kMonitorRed, false},  {-5, 0, 0, kMonitorNavy, false},
    };
    for (const auto& c : cases) {
        const CpuGauge gauge = cpuGauge(c.percent, c.pending);
        EXPECT_EQ(gauge.value, c.value) << c.percent << "/" << c.pending;
        EXPECT_EQ(gauge.colour, c.colour) << c.percent << "/" << c.pending;
        EXPECT_EQ(gauge.label.has_value(), c.recovered) << c.percent << "/" << c.pending;
        if (gauge.label) {
            EXPECT_EQ(*gauge.label, (MonitorLabel{QStringLiteral("正常稼動中"), kMonitorBlue}));
        }
    }
}
