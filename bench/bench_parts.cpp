// Part updates with 400 parts loaded: packets per second through reassembly, logging,
// dispatch and the part table, and the time from a part update's arrival to the label's
// repaint. Run it on a real X server (or under xvfb-run) for figures that include drawing.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "commands/display_commands.h"
#include "commands/display_reader.h"
#include "commands/interpreter.h"
#include "commands/loading_commands.h"
#include "display/Zul2_backwind.h"
#include "display/Zul2_rdisp.h"
#include "display/part_table.h"
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
#include "services/settings_file.h"
#include "services/status_broadcaster.h"

namespace {

class Errors : public zul::ErrorSink {
public:
    void reportError(const QString& m) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(m));
    }
};

class PaintWatch : public QObject {
public:
    QElapsedTimer clock;
    qint64 lastPaint = -1;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            lastPaint = clock.nsecsElapsed();
        }
        return false;
    }
};

QByteArray partsFile() {
    QByteArray out = "[List]\r\nRecordCount=400\r\n";
    for (int i = 1; i <= 400; ++i) {
        out += "[Parts-" + QByteArray::number(i) + "]\r\nPName=part" + QByteArray::number(i) +
               "\r\nValue=0\r\nX1=" + QByteArray::number((i % 20) * 38) +
               "\r\nY1=" + QByteArray::number((i / 20) * 50) +
               "\r\nX2=30\r\nY2=48\r\nFSize=12\r\n"
               "Through=\r\nAutoSize=\r\n";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QTemporaryDir dir;
    {
        QFile f(dir.filePath(QStringLiteral("bench.rp1")));
        f.open(QIODevice::WriteOnly);
        f.write(partsFile());
    }
    zul::Settings settings;
    settings.BaseDir.set(dir.path());
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
    zul::SettingsFile settingsFile(settings, log);
    zul::TMainDisp display({settings, hub, log, errors, status, interpreter, converter, impress,
                            strList, webList, back, worksheet, QByteArray("bench")});
    zul::registerDisplayCommands(interpreter, {settings, display, {}, {}});
    zul::registerLoadingCommands(
        interpreter, {settings, hub, log, status, settingsFile, display, worksheet, {}, {}});
    zul::DisplayReader reader(interpreter, log, errors);
    zul::PacketSplitter buffer;
    display.setGeometry(0, 0, 1280, 720);
    display.show();
    settings.Panel1.set(QRect(0, 0, 1280, 720));
    interpreter.ExecutePacket(QByteArray("\x2e") + "bench.rp1", nullptr);
    QApplication::processEvents();
    std::printf("parts loaded: %d\n", display.parts().PartCount());

    // 1. Throughput: updates spread over all 400 names, 64 packets per read.
    QByteArray burst;
    for (int i = 0; i < 64; ++i) {
        burst += "\x2cPART" + QByteArray::number(1 + (i * 37) % 400) + "," + QByteArray::number(i) +
                 ",255,0\n";
    }
    const int reads = 2000;
    QElapsedTimer t;
    t.start();
    for (int r = 0; r < reads; ++r) {
        reader.received(buffer, burst, nullptr);
    }
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    std::printf("CmdPartUpdate throughput with 400 parts: %.0f packets/s (%d packets in %.2f s)\n",
                reads * 64 / seconds, reads * 64, seconds);

    // 2. Arrival of one update to the repaint of its label.
    PaintWatch watch;
    watch.clock.start();
    zul::PartLabel* label = display.parts().label(399);
    label->installEventFilter(&watch);
    std::vector<double> latency;
    for (int i = 0; i < 500; ++i) {
        watch.lastPaint = -1;
        const qint64 t0 = watch.clock.nsecsElapsed();
        reader.received(buffer, "\x2cpart400,v" + QByteArray::number(i) + ",,\n", nullptr);
        while (watch.lastPaint < 0) {
            QApplication::processEvents();
        }
        latency.push_back(static_cast<double>(watch.lastPaint - t0) / 1000.0);
    }
    std::sort(latency.begin(), latency.end());
    std::printf("part update arrival to label repaint: p50 %.1f us, p99 %.1f us, max %.1f us\n",
                latency[latency.size() / 2], latency[latency.size() * 99 / 100], latency.back());
    return 0;
}
