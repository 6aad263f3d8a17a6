#include <gtest/gtest.h>

#include <QByteArrayList>
#include <memory>

#include "platform/cpu_load.h"

using namespace zul;

TEST(CpuLoadPercent, RoundsHalfUpAndStaysWithinAPercentRange) {
    struct Case {
        double idleDelta;
        double timeDelta;
        int processors;
        int percent;
    };
    const Case cases[] = {
        {100, 100, 1, 0},       // one processor idle the whole interval
        {0, 100, 1, 100},       // no idle time at all
        {100, 100, 2, 50},      // two processors each idle half the interval
        {50.4, 100, 1, 50},     // 49.6 % busy
        {50.6, 100, 1, 49},     // 49.4 % busy
        {0.5, 100, 1, 100},     // 99.5 % busy rounds up to the top
        {150, 100, 1, 0},       // more idle than elapsed time (counters out of step)
        {-50, 100, 1, 100},     // idle counter ran backwards
        {1e300, 1e-300, 1, 0},  // far out of range: no overflow on conversion
        {10, 0, 1, 0},          // no time elapsed
        {10, -5, 1, 0},        {10, 100, 0, 0},  // processor count unknown
        {10, 100, -1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cpuLoadPercent(c.idleDelta, c.timeDelta, c.processors), c.percent)
            << c.idleDelta << " / " << c.timeDelta << " on " << c.processors;
    }
}

TEST(CpuStat, ReadsTheAggregateLineAndCountsProcessors) {
    // Fields: user nice system idle iowait irq softirq steal guest guest_nice.
    const QByteArray stat =
        "cpu  10 20 30 400 50 6 7 8 900 900\n"
        "cpu0 5 10 15 200 25 3 3 4 450 450\n"
        "cpu1 5 10 15 200 25 3 4 4 450 450\n"
        "intr 12345 0 0\n"
        "ctxt 999\n";
    const std::optional<CpuStatSample> sample = parseCpuStat(stat);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->idle, 450);   // idle + iowait
    EXPECT_EQ(sample->total, 531);  // guest time is already in user and nice
    EXPECT_EQ(sample->processors, 2);
}

TEST(CpuStat, RejectsTextWithoutAUsableAggregateLine) {
    for (const char* text :
         {"", "cpu0 1 2 3 4 5 6 7 8\n", "cpu  1 2 x 4 5 6 7 8\n", "cpu  1 2 3\n", "intr 1 2 3\n"}) {
        EXPECT_FALSE(parseCpuStat(text)) << text;
    }
    // Old kernels write only four fields.
    const std::optional<CpuStatSample> old = parseCpuStat("cpu 1 2 3 4\ncpu0 1 2 3 4\n");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->idle, 4);
    EXPECT_EQ(old->total, 10);
}

namespace {

// A stat file whose aggregate line is given in one processor's terms: `busy` and `idle`
// ticks per processor, written as the kernel sums them over `processors`.
QByteArray statText(int processors, long busy, long idle) {
    QByteArray out = "cpu  " + QByteArray::number(busy * processors) + " 0 0 " +
                     QByteArray::number(idle * processors) + " 0 0 0 0 0 0\n";
    for (int i = 0; i < processors; ++i) {
        out += "cpu" + QByteArray::number(i) + " 0 0 0 0 0 0 0 0 0 0\n";
    }
    return out;
}

struct ScriptedStat {
    QByteArrayList texts;
    int next = 0;
    QByteArray operator()() { return texts.value(next++); }
};

}  // namespace

TEST(CpuMeter, MeasuresTheLoadBetweenTwoReadings) {
    struct Case {
        const char* what;
        int processors;
        long busy1, idle1, busy2, idle2;
        int percent;
    };
    const Case cases[] = {
        {"idle throughout", 1, 100, 900, 100, 1000, 0},
        {"busy throughout", 1, 100, 900, 200, 900, 100},
        {"two processors, each idle half", 2, 100, 900, 150, 950, 50},
        {"49.6 percent", 4, 1000, 1000, 1496, 1504, 50},
        {"49.4 percent", 4, 1000, 1000, 1494, 1506, 49},
        {"no time passed", 2, 100, 900, 100, 900, 0},
    };
    for (const Case& c : cases) {
        CpuHistory history;
        auto script = std::make_shared<ScriptedStat>();
        script->texts = {statText(c.processors, c.busy1, c.idle1),
                         statText(c.processors, c.busy2, c.idle2)};
        CpuMeter meter([script] { return (*script)(); }, history);
        EXPECT_EQ(meter.ReadLoad(), 0) << c.what << ": the first reading has no interval";
        EXPECT_EQ(meter.ReadLoad(), c.percent) << c.what;
    }
}

TEST(CpuMeter, MetersSharingAHistoryMeasureSinceEachOthersReading) {
    CpuHistory history;
    const QByteArrayList texts = {statText(1, 0, 100), statText(1, 100, 100),
                                  statText(1, 100, 200)};
    auto script = std::make_shared<ScriptedStat>();
    script->texts = texts;
    CpuMeter first([script] { return (*script)(); }, history);
    CpuMeter second([script] { return (*script)(); }, history);
    EXPECT_EQ(first.ReadLoad(), 0);
    EXPECT_EQ(second.ReadLoad(), 100);  // since first's reading, not since its own
    EXPECT_EQ(first.ReadLoad(), 0);
}

TEST(CpuMeter, AnUnreadableStatAnswersZeroAndKeepsTheInterval) {
    CpuHistory history;
    auto script = std::make_shared<ScriptedStat>();
    script->texts = {statText(1, 0, 100), QByteArray(), "cpu  1 2\n",
                     "cpu  5 0 0 5 0 0 0 0\n",  // an aggregate line but no processor lines
                     statText(1, 100, 100)};
    CpuMeter meter([script] { return (*script)(); }, history);
    EXPECT_EQ(meter.ReadLoad(), 0);
    EXPECT_EQ(meter.ReadLoad(), 0);
    EXPECT_EQ(meter.ReadLoad(), 0);
    EXPECT_EQ(meter.ReadLoad(), 0);
    EXPECT_EQ(meter.ReadLoad(), 100) << "measured from the last good reading";
}

TEST(CpuMeter, ReadsTheSystemsStatFileIntoTheProcessHistory) {
    CpuMeter meter;
    meter.ReadLoad();
    EXPECT_GT(processCpuHistory().idle, 0);
    EXPECT_GT(processCpuHistory().time, 0);
    const int load = CpuMeter().ReadLoad();
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}
