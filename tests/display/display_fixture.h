#pragma once

// A display window with everything it needs, on recording fakes, in a temporary base folder.
// For test programs that link the display layer; those outside tests/display include it as
// "../display/display_fixture.h".

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "display/Zul2_backwind.h"
#include "display/Zul2_rdisp.h"
#include "external/impress_show.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/line_list.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/office_converter.h"
#include "platform/x11_windows.h"
#include "services/status_broadcaster.h"
#include "test_support.h"

namespace zul::test {

// Keeps the packets; with `display` set, also runs part updates (0x2c) back into it as the
// interpreter would.
class DisplayExecutor : public RecordingExecutor {
public:
    TMainDisp* display = nullptr;

    void ExecutePacket(QByteArrayView packet, PacketConnection* connection) override {
        RecordingExecutor::ExecutePacket(packet, connection);
        if (display != nullptr && packet.size() > 0 && packet[0] == '\x2c') {
            display->UpdatePart(packet.sliced(1).toByteArray());
        }
    }
};

struct DisplayFixtureOptions {
    // Opens the window in the constructor; otherwise the test calls openDisplay() itself.
    bool open = true;
    // The executor runs part updates back into the display.
    bool feedPartsBack = false;
    // Each reported error fails the test.
    bool errorsFailTheTest = false;
    // The content area (Panel1) is set to the whole window once it is opened.
    bool contentFillsWindow = false;
};

struct DisplayFixture {
    static constexpr QRect kWindow{0, 0, 1024, 768};

    explicit DisplayFixture(DisplayFixtureOptions options = {}) : options_(options) {
        settings.BaseDir.set(dir.path());
        status.setSender(&datagrams);
        errors.failTest = options.errorsFailTheTest;
        if (options.open) {
            openDisplay();
        }
    }

    // Builds the window on `executor` at 1024 x 768.
    void openDisplay() { openDisplay(executor); }
    // The same with another executor (the interpreter, say), which must outlive `display`.
    void openDisplay(PacketExecutor& runner) {
        display = std::make_unique<TMainDisp>(
            TMainDisp::Context{settings, hub, log, errors, status, runner, converter, impress,
                               strList, webList, back, worksheet, QByteArray("pc1")});
        if (options_.feedPartsBack) {
            executor.display = display.get();
        }
        display->setGeometry(kWindow);
        if (options_.contentFillsWindow) {
            settings.Panel1.set(kWindow);
        }
    }

    // A file's path in the base folder.
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    // Writes a file into the base folder.
    void write(const char* name, const QByteArray& bytes) const { writeAll(path(name), bytes); }

    QTemporaryDir dir;
    Settings settings;
    HubState hub;
    DebugLog log;
    RecordingErrors errors;
    RecordingDatagrams datagrams;
    StatusBroadcaster status{QByteArray("pc1")};
    DisplayExecutor executor;
    OfficeConverter converter;
    X11Windows windows{[](const QString&) {}};
    ImpressShow impress{windows};
    LineList strList;
    LineList webList;
    TZUL_BackWind back;
    Worksheet worksheet;
    std::unique_ptr<TMainDisp> display;

private:
    DisplayFixtureOptions options_;
};

}  // namespace zul::test
