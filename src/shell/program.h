#pragma once

// The program: every object and window, built once in the fixed creation order and kept
// until the end of the run.

#include <QString>
#include <QStringList>
#include <memory>

#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/line_list.h"
#include "model/peer_list.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/dialogs.h"
#include "platform/qt_translations.h"
#include "shell/tool_windows.h"

namespace zul {

class AppErrorHandler;
class CpuMeter;
class DisplayListener;
class DisplayReader;
class Interpreter;
class MacroServer;
class IptalkCooperation;
class OperatorConnection;
class ImpressShow;
class OfficeConverter;
class PacketMirror;
class TMainDisp;
class TWebListEdit;
class TZUL_BackWind;
class ReplyProcessor;
class TClientMain;
class TDirChange;
class TEasyZUL;
class TFP_Edit;
class TPosView;
class TRE_Disp;
class TFileSet;
class TZUL_Err;
class TZUL_ezpnl;
class TZUL_ts;
class Tzul_pb_main;
class Tzul_py_main;
class Tzul_rsend;
class Tzul_ws;
class Ttalk2;
class X11Windows;
class UdpDiscovery;
class WatchDogService;
class WebRemote;
class SettingsFile;
class StatusBroadcaster;
class TSettingForm;
class TTitle_call;
class ZulApplication;

class Program {
public:
    struct Options {
        QString startFolder;  // the working folder
        QString commandLine;  // the text after the program name
        bool showWindows = true;
        // Bus of the macro channel; empty for the session bus.
        QString macroBusAddress;
    };

    explicit Program(Options options);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Shows the splash, sets the base directory and loads the startup files.
    void start();
    // Ends the program: the display window leaves the screen first, then no dialog opens any
    // more (its text is logged instead), then the event loop ends. Windows are not asked to
    // close, so nothing that a closing window does can hold up the exit.
    void quit();
    bool quitting() const { return dialogs_.silenced(); }
    // Exit steps: writes the log file into the start folder.
    void shutdown();

    Settings& settings() { return settings_; }
    HubState& hub() { return hub_; }
    DebugLog& log() { return log_; }
    Dialogs& dialogs() { return dialogs_; }
    Interpreter& interpreter() { return *interpreter_; }
    SettingsFile& settingsFile() { return *settingsFile_; }
    AppErrorHandler& errors() { return *errors_; }
    TSettingForm& hubForm() { return *hubForm_; }
    DisplayListener& listener() { return *listener_; }
    OperatorConnection& connection() { return *connection_; }
    PacketMirror& mirror() { return *mirror_; }
    MacroServer& macros() { return *macros_; }
    UdpDiscovery& udp() { return *udp_; }
    WatchDogService& watchdog() { return *watchdog_; }
    PeerList& peers() { return peers_; }
    TZUL_ts& troubleshooting() { return *ts_; }
    TMainDisp& display() { return *display_; }
    TZUL_BackWind& backWind() { return *backWind_; }
    TWebListEdit& webListEditor() { return *webListEdit_; }
    LineList& strList() { return strList_; }
    LineList& webList() { return webList_; }
    Worksheet& worksheet() { return worksheet_; }
    Tzul_ws& worksheetWindow() { return *ws_; }
    TFileSet& fileSetEditor() { return *fileSet_; }
    TClientMain& console() { return *console_; }
    TZUL_Err& errorWindow() { return *errWindow_; }
    TDirChange& dirChange() { return *dirChange_; }
    TEasyZUL& wizard() { return *easy_; }
    TFP_Edit& partsEditor() { return *fpEdit_; }
    TPosView& positionWindow() { return *posView_; }
    TRE_Disp& partsPreview() { return *reDisp_; }
    IptalkCooperation& iptalk() { return *iptalk_; }
    Ttalk2& iptalkSubstitute() { return *ttalk2_; }
    TTitle_call& splash() { return *splash_; }
    WebRemote& webRemote() { return *remote_; }
    ToolWindows& tools() { return tools_; }

    // Replaces the dialogs (tests answer them without blocking).
    void setDialogs(Dialogs* dialogs);

private:
    void createNetwork();
    void createCooperation();
    void createWindows();
    void registerTools();
    void wire();
    void wireWizard();
    void wireNetwork();
    void wireDisplay();
    void wireConsole();
    void wireRemote();
    // The settings file's ServerNow start of the display role.
    void startDisplayRoleForSettingsFile();

    Options options_;
    Settings settings_;
    HubState hub_;
    DebugLog log_;
    ToolWindows tools_{log_};
    QtJapaneseTexts qtTexts_;
    QtDialogs qtDialogs_;
    DialogsRelay dialogs_{&qtDialogs_};
    std::unique_ptr<StatusBroadcaster> status_;
    std::unique_ptr<Interpreter> interpreter_;
    std::unique_ptr<SettingsFile> settingsFile_;
    std::unique_ptr<AppErrorHandler> errors_;
    std::unique_ptr<CpuMeter> cpu_;
    PeerList peers_;
    std::unique_ptr<WatchDogService> watchdog_;
    std::unique_ptr<DisplayReader> reader_;
    std::unique_ptr<DisplayListener> listener_;
    std::unique_ptr<OperatorConnection> connection_;
    std::unique_ptr<PacketMirror> mirror_;
    std::unique_ptr<MacroServer> macros_;
    std::unique_ptr<UdpDiscovery> udp_;
    std::unique_ptr<OfficeConverter> converter_;
    std::unique_ptr<X11Windows> x11_;
    std::unique_ptr<IptalkCooperation> iptalk_;
    std::unique_ptr<ImpressShow> impress_;
    LineList strList_;
    LineList webList_;
    Worksheet worksheet_;
    std::unique_ptr<TSettingForm> hubForm_;
    std::unique_ptr<TClientMain> console_;
    std::unique_ptr<ReplyProcessor> replies_;
    std::unique_ptr<TTitle_call> splash_;
    std::unique_ptr<TZUL_BackWind> backWind_;
    std::unique_ptr<TWebListEdit> webListEdit_;
    std::unique_ptr<TMainDisp> display_;
    std::unique_ptr<TEasyZUL> easy_;
    std::unique_ptr<TFileSet> fileSet_;
    std::unique_ptr<TFP_Edit> fpEdit_;
    std::unique_ptr<TPosView> posView_;
    std::unique_ptr<TZUL_Err> errWindow_;
    std::unique_ptr<TDirChange> dirChange_;
    std::unique_ptr<Tzul_rsend> rsend_;
    std::unique_ptr<TRE_Disp> reDisp_;
    std::unique_ptr<Ttalk2> ttalk2_;
    std::unique_ptr<TZUL_ts> ts_;
    std::unique_ptr<Tzul_pb_main> basketball_;
    std::unique_ptr<Tzul_py_main> baseball_;
    std::unique_ptr<Tzul_ws> ws_;
    std::unique_ptr<TZUL_ezpnl> easyPanel_;
    std::unique_ptr<WebRemote> remote_;
};

// Program entry: builds the program and runs the event loop. Returns the exit code.
int runProgram(ZulApplication& app);

}  // namespace zul
