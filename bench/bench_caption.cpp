// Caption line timings on the display window: from a CmdLineUpdate's arrival to the strip
// being repainted, the cost of one scroll tick, and the scroll tick interval's jitter at
// 20 ms. Run it on a real X server (or under xvfb-run) for figures that include drawing.
#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "commands/display_commands.h"
#include "commands/display_reader.h"
#include "commands/interpreter.h"
#include "display/Zul2_backwind.h"
#include "display/Zul2_rdisp.h"
#include "external/impress_show.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/line_list.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/errors.h"
#include "platform/office_converter.h"
#include "platform/x11_windows.h"
#include "protocol/packet_splitter.h"
#include "services/status_broadcaster.h"

namespace {

class Errors : public zul::ErrorSink {
public:
    void reportError(const QString& m) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(m));
    }
};

// Notes the time of every paint of the caption strip and the standing text it shows.
class PaintClock : public QObject {
public:
    explicit PaintClock(zul::CaptionStrip& strip) : strip_(strip) {}
    QElapsedTimer clock;
    std::vector<qint64> paints;  // nanoseconds
    QString lastText;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            paints.push_back(clock.nsecsElapsed());
            lastText = strip_.ownText();
        }
        return false;
    }

private:
    zul::CaptionStrip& strip_;
};

struct Stats {
    double p50, p99, mean, max;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v) {
        sum += x;
    }
    return {v[v.size() / 2], v[static_cast<std::size_t>(0.99 * static_cast<double>(v.size() - 1))],
            sum / static_cast<double>(v.size()), v.back()};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    zul::Settings settings;
    zul::HubState hub;
    zul::DebugLog log;
    Errors errors;
    zul::StatusBroadcaster status(QByteArray("bench"));
    zul::Interpreter interpreter(log);
    zul::OfficeConverter converter;
    zul::X11Windows windows{[](const QString&) {}};
    zul::ImpressShow impress(windows);
    zul::LineList strList;
    zul::LineList webList;
    zul::TZUL_BackWind back;
    zul::Worksheet worksheet;
    zul::TMainDisp display({settings, hub, log, errors, status, interpreter, converter, impress,
                            strList, webList, back, worksheet, QByteArray("bench")});
    zul::registerDisplayCommands(interpreter, {settings, display, {}, {}});
    zul::DisplayReader reader(interpreter, log, errors);
    zul::PacketSplitter buffer;
    display.setGeometry(0, 0, 1280, 720);
    display.show();
    settings.Panel1.set(QRect(0, 0, 1280, 720));
    QApplication::processEvents();

    PaintClock clock(*display.StrFlame());
    clock.clock.start();
    display.StrFlame()->installEventFilter(&clock);

    // 1. Arrival of a standing caption line to the strip's repaint.
    std::vector<double> latency;
    for (int i = 0; i < 500; ++i) {
        const QByteArray packet =
            QByteArray("\x24") + "caption line " + QByteArray::number(i) + "\n";
        clock.paints.clear();
        const qint64 t0 = clock.clock.nsecsElapsed();
        reader.received(buffer, packet, nullptr);
        const QString expected = QString::fromLatin1(packet.mid(1).chopped(1));
        while (clock.paints.empty() || clock.lastText != expected) {
            QApplication::processEvents();
        }
        // The last paint is the one that shows the new text.
        latency.push_back(static_cast<double>(clock.paints.back() - t0) / 1000.0);
    }
    const Stats l = stats(latency);
    std::printf("CmdLineUpdate arrival to strip repaint: p50 %.1f us, p99 %.1f us, max %.1f us\n",
                l.p50, l.p99, l.max);

    // 2. One scroll tick (draws the strip, lets events run).
    settings.ckStrScroll.set(true);
    display.strScTimer().stop();
    display.CmdLineUpdate("scrolling caption text for the tick cost measurement");
    std::vector<double> tick;
    for (int i = 0; i < 2000; ++i) {
        display.strScTimer().stop();
        QElapsedTimer t;
        t.start();
        display.StrScTimerTimer();
        tick.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    const Stats k = stats(tick);
    std::printf("scroll tick: mean %.1f us, p50 %.1f us, p99 %.1f us\n", k.mean, k.p50, k.p99);

    // 3. Tick interval jitter at 20 ms over five seconds of scrolling.
    display.CmdTimingUpdate("10,5,20,4");
    display.strScTimer().setInterval(20);
    strList.setLines(
        QByteArrayList(50, QByteArray("a long caption line that keeps the strip busy")));
    hub.LineAppend = 0;
    clock.paints.clear();
    display.strScTimer().start();
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    display.strScTimer().stop();
    std::vector<double> intervals;
    for (std::size_t i = 1; i < clock.paints.size(); ++i) {
        intervals.push_back(static_cast<double>(clock.paints[i] - clock.paints[i - 1]) / 1e6);
    }
    if (intervals.size() > 10) {
        const Stats j = stats(intervals);
        double var = 0;
        for (double x : intervals) {
            var += (x - j.mean) * (x - j.mean);
        }
        std::printf(
            "scroll tick interval at 20 ms (%zu ticks): mean %.2f ms, sd %.2f ms, p99 %.2f ms, "
            "max %.2f ms\n",
            intervals.size(), j.mean, std::sqrt(var / static_cast<double>(intervals.size())), j.p99,
            j.max);
    }
    return 0;
}
