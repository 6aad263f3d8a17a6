#include "shell/program.h"

#include <QDir>
#include <QHostInfo>
#include <QMenu>
#include <QTimer>
#include <cstdio>

#include "commands/directory_commands.h"
#include "commands/display_commands.h"
#include "commands/display_reader.h"
#include "commands/interpreter.h"
#include "commands/loading_commands.h"
#include "commands/mirror_commands.h"
#include "commands/reply_processor.h"
#include "console/Zul2_cmain.h"
#include "console/Zul2_ezpanel.h"
#include "console/Zul2_rsend.h"
#include "console/Zul2_ws.h"
#include "console/Zul_pt2.h"
#include "console/Zul_py.h"
#include "content/Zul2_fileset.h"
#include "content/Zul2_fpset.h"
#include "content/Zul2_posview.h"
#include "content/Zul2_weblst.h"
#include "content/Zul2e_disp.h"
#include "display/Zul2_backwind.h"
#include "display/Zul2_rdisp.h"
#include "display/display_screens.h"
#include "display/presentation_control.h"
#include "external/Zul2_iptalk9s.h"
#include "external/impress_show.h"
#include "external/iptalk.h"
#include "platform/Hmudp.h"
#include "platform/cp932.h"
#include "platform/cpu_load.h"
#include "platform/fonts.h"
#include "platform/macro_channel.h"
#include "platform/office_converter.h"
#include "platform/x11_windows.h"
#include "remote/web_remote.h"
#include "services/Zul2_dircng.h"
#include "services/Zul2_dlog.h"
#include "services/Zul2_ezfrm.h"
#include "services/Zul2_ts.h"
#include "services/macro_server.h"
#include "services/operator_channel.h"
#include "services/packet_mirror.h"
#include "services/settings_file.h"
#include "services/status_broadcaster.h"
#include "services/udp_discovery.h"
#include "services/watchdog.h"
#include "shell/Zul2_main.h"
#include "shell/Zul2_title.h"
#include "shell/app_error_handler.h"
#include "shell/display_listener.h"
#include "shell/operator_connection.h"
#include "shell/quit_on_signals.h"
#include "shell/remote_sources.h"
#include "shell/screen_choice_box.h"
#include "shell/startup.h"
#include "shell/tool_windows.h"
#include "shell/zul_application.h"

namespace zul {

Program::Program(Options options) : options_(std::move(options)) {
    installFontAliases();
    if (!qtTexts_.installed()) {
        log_.add(
            QStringLiteral(
                "Qtの日本語訳（qtbase_ja）が %1 にありません。標準ダイアログは英語で表示されます。")
                .arg(qtTexts_.folder()));
    }
    dialogs_.setNoticeLog([this](const QString& text, const QString& title) {
        log_.add(QStringLiteral("待たずに表示します：[%1] %2")
                     .arg(title, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    });
    status_ = std::make_unique<StatusBroadcaster>(cp932::encode(QHostInfo::localHostName()));
    interpreter_ = std::make_unique<Interpreter>(log_);
    settingsFile_ = std::make_unique<SettingsFile>(settings_, log_);
    errors_ = std::make_unique<AppErrorHandler>(log_, settings_, dialogs_, *status_);
    createNetwork();
    createCooperation();
    createWindows();
    registerTools();
    wire();
    wireWizard();
    wireNetwork();
    wireDisplay();
    wireConsole();
    wireRemote();
    // The hub form's creation opens the UDP socket on the port and offers the macros.
    udp_->open();
    macros_->open(MacroChannel::serviceName(QCoreApplication::applicationFilePath()),
                  options_.macroBusAddress);
}

Program::~Program() {
    // The browser remote reads the display window.
    interpreter_->setObserver(nullptr);
    status_->setLineObserver(nullptr);
    remote_.reset();
    // Windows go first: they hold references to the network objects.
    easyPanel_.reset();
    ws_.reset();
    baseball_.reset();
    basketball_.reset();
    ts_.reset();
    reDisp_.reset();
    rsend_.reset();
    ttalk2_.reset();
    dirChange_.reset();
    errWindow_.reset();
    posView_.reset();
    fpEdit_.reset();
    fileSet_.reset();
    easy_.reset();
    display_.reset();
    webListEdit_.reset();
    backWind_.reset();
    replies_.reset();
    console_.reset();
    hubForm_.reset();
}

void Program::createNetwork() {
    watchdog_ = std::make_unique<WatchDogService>(log_, settings_.chkWatchDog);
    reader_ = std::make_unique<DisplayReader>(*interpreter_, log_, *errors_);
    listener_ = std::make_unique<DisplayListener>(hub_, *reader_, *watchdog_, *errors_, log_);
    connection_ = std::make_unique<OperatorConnection>(hub_, log_, dialogs_, *errors_, *watchdog_);
    mirror_ = std::make_unique<PacketMirror>(settings_, hub_, log_, *errors_, *status_);
    macros_ = std::make_unique<MacroServer>(log_, *errors_);
    udp_ = std::make_unique<UdpDiscovery>(settings_, hub_, log_, dialogs_, *interpreter_, peers_,
                                          status_->hostName());
    status_->setSender(udp_.get());
    status_->setErrorSink(errors_.get());
    converter_ = std::make_unique<OfficeConverter>();
    // Other programs' windows (the captioning program's, Impress's) through X11, when the
    // program's own windows are on an X display.
    x11_ = std::make_unique<X11Windows>([this](const QString& line) { log_.add(line); });
    impress_ = std::make_unique<ImpressShow>(*x11_);
    // At start the text list holds two blank lines (ideographic spaces and one space).
    const QByteArray blank = cp932::encode(QString(11, QChar(0x3000)) + QLatin1Char(' '));
    strList_.setLines({blank, blank});
    // Receive errors, handler failures and periodic discovery errors reach the error handler.
    udp_->setErrorSink(errors_.get());
}

void Program::createCooperation() {
    // Other programs' windows (the captioning program's) are reached through the X11 layer
    // made with the services.
    const OperatorChannel channel{connection_.get(),
                                  [this] { return connection_->isEstablished(); }};
    iptalk_ = std::make_unique<IptalkCooperation>(
        IptalkCooperation::Context{settings_, log_, *x11_, channel});
}

void Program::setDialogs(Dialogs* dialogs) {
    dialogs_.setTarget(dialogs != nullptr ? dialogs : &qtDialogs_);
}

void Program::createWindows() {
    // Every window is created once, in this order, and lives until the end of the run.
    const HubContext ctx{settings_,      hub_,         log_,     dialogs_,
                         *settingsFile_, *errors_,     *status_, *interpreter_,
                         *listener_,     *connection_, *mirror_, *udp_,
                         peers_,         strList_,     webList_, *iptalk_};
    hubForm_ = std::make_unique<TSettingForm>(ctx);
    qtDialogs_.setParent(hubForm_.get());
    console_ = std::make_unique<TClientMain>(TClientMain::Context{
        settings_, hub_, log_, dialogs_, *connection_, *udp_, peers_, status_->hostName()});
    splash_ = std::make_unique<TTitle_call>(hubForm_.get());
    backWind_ = std::make_unique<TZUL_BackWind>();
    webListEdit_ = std::make_unique<TWebListEdit>(settings_, dialogs_);
    display_ = std::make_unique<TMainDisp>(TMainDisp::Context{
        settings_, hub_, log_, *errors_, *status_, *interpreter_, *converter_, *impress_, strList_,
        webList_, *backWind_, worksheet_, status_->hostName()});
    easy_ = std::make_unique<TEasyZUL>(settings_, dialogs_, peers_);
    fileSet_ = std::make_unique<TFileSet>(settings_, dialogs_);
    fpEdit_ = std::make_unique<TFP_Edit>(settings_, dialogs_, log_);
    posView_ = std::make_unique<TPosView>(*fpEdit_);
    const OperatorChannel channel{connection_.get(),
                                  [this] { return connection_->isEstablished(); }};
    errWindow_ = std::make_unique<TZUL_Err>(channel);
    dirChange_ = std::make_unique<TDirChange>(channel, log_);
    rsend_ = std::make_unique<Tzul_rsend>(channel, dialogs_, log_);
    reDisp_ = std::make_unique<TRE_Disp>(*fpEdit_);
    ttalk2_ = std::make_unique<Ttalk2>(*iptalk_);
    iptalk_->setSubstitute(ttalk2_.get());
    ts_ = std::make_unique<TZUL_ts>(settings_);
    basketball_ = std::make_unique<Tzul_pb_main>(channel, dialogs_, log_);
    baseball_ = std::make_unique<Tzul_py_main>(channel, dialogs_, log_);
    ws_ = std::make_unique<Tzul_ws>(worksheet_, dialogs_);
    ws_->setConnection(connection_.get());
    easyPanel_ = std::make_unique<TZUL_ezpnl>(channel, dialogs_, log_);
}

void Program::registerTools() {
    // Every tool window by the name that the menus and buttons ask for.
    tools_.add(QStringLiteral("TWebListEdit"), webListEdit_.get());
    tools_.add(QStringLiteral("TEasyZUL"), easy_.get());
    tools_.add(QStringLiteral("TFileSet"), fileSet_.get());
    tools_.add(QStringLiteral("TFP_Edit"), fpEdit_.get());
    tools_.add(QStringLiteral("TPosView"), posView_.get());
    tools_.add(QStringLiteral("TZUL_Err"), errWindow_.get());
    tools_.add(QStringLiteral("TDirChange"), dirChange_.get());
    tools_.add(QStringLiteral("Tzul_rsend"), rsend_.get());
    tools_.add(QStringLiteral("TRE_Disp"), reDisp_.get());
    tools_.add(QStringLiteral("Ttalk2"), ttalk2_.get());
    tools_.add(QStringLiteral("TZUL_ts"), ts_.get());
    tools_.add(QStringLiteral("Tzul_pb_main"), basketball_.get());
    tools_.add(QStringLiteral("Tzul_py_main"), baseball_.get());
    tools_.add(QStringLiteral("Tzul_ws"), ws_.get());
    tools_.add(QStringLiteral("TZUL_ezpnl"), easyPanel_.get());
    const auto open = [this](const QString& tool) { tools_.show(tool); };
    QObject::connect(hubForm_.get(), &TSettingForm::showToolRequested, hubForm_.get(), open);
    QObject::connect(console_.get(), &TClientMain::showToolRequested, console_.get(), open);
    QObject::connect(fpEdit_.get(), &TFP_Edit::showToolRequested, fpEdit_.get(), open);
}

void Program::wireWizard() {
    TEasyZUL* wizard = easy_.get();
    QObject::connect(wizard, &TEasyZUL::saveRequested, hubForm_.get(),
                     [this] { guarded(*errors_, [this] { hubForm_->Set_SaveClick(); }); });
    QObject::connect(wizard, &TEasyZUL::hubRequested, hubForm_.get(), [this] {
        hubForm_->showNormal();
        hubForm_->raise();
    });
    QObject::connect(wizard, &TEasyZUL::startDisplayRequested, hubForm_.get(),
                     [this] { guarded(*errors_, [this] { hubForm_->Button4Click(); }); });
}

void Program::wire() {
    QObject::connect(hubForm_.get(), &TSettingForm::quitRequested, hubForm_.get(),
                     [this] { quit(); });
    if (!hubForm_->hasTray()) {
        // No system tray: the tray menu's items go to the display window's hot-corner menu
        // and to the console, so that the roles can still be stopped and the hub shown.
        QMenu* corner = display_->popupMenu();
        corner->addSeparator();
        hubForm_->addTrayItems(*corner);
        hubForm_->addTrayItems(*console_->addTrayMenuButton());
    }
    cpu_ = std::make_unique<CpuMeter>();
    registerDirectoryCommands(*interpreter_, {settings_, log_, *status_, *cpu_});
    registerMirrorCommands(*interpreter_, *mirror_);
    macros_->setActions(
        {[this] { hubForm_->Button4Click(); }, [this] { hubForm_->Button10Click(); },
         [this](const QString& path) { settingsFile_->LoadSettingsFile(path); },
         [this](const QByteArray& packet) { interpreter_->ExecutePacket(packet, nullptr); }});
}

void Program::wireNetwork() {
    WatchDogService::Hooks dog;
    dog.clearBuffers = [this] {
        listener_->clearBuffers();
        connection_->clearBuffer();
    };
    dog.sendFailureNotice = [this] {
        udp_->UpdateBroadcastAddress();
        udp_->sendLine(QByteArrayLiteral("ZUL,4,\n"));
    };
    watchdog_->setHooks(dog);
    QObject::connect(watchdog_.get(), &WatchDogService::failed, watchdog_.get(),
                     [this](const QString& message) { errors_->reportError(message); });

    UdpDiscovery::Hooks udp;
    udp.displayOpen = [this] { return listener_->isOpen(); };
    udp.operatorOpen = [this] { return connection_->isEstablished(); };
    udp.startOperatorRole = [this] { hubForm_->Button10Click(); };
    udp.reconnectOperator = [this] { connection_->reconnect(); };
    udp.reconnectMirror = [this] { mirror_->reconnect(); };
    udp_->setHooks(udp);
    QObject::connect(&settings_.Port, &SettingBase::changed, udp_.get(),
                     [this] { guarded(*errors_, [this] { udp_->PortChange(); }); });

    mirror_->displayOpen = [this] { return listener_->isOpen(); };
    QObject::connect(&settings_.MirrorSel, &SettingBase::changed, mirror_.get(),
                     [this] { guarded(*errors_, [this] { mirror_->MirrorSelClick(); }); });
}

void Program::wireDisplay() {
    TMainDisp& d = *display_;
    splash_->hubWanted = [this] { return !display_->isVisible() && !console_->isVisible(); };
    d.displayOpen = [this] { return listener_->isOpen(); };
    d.startOperatorRole = [this] { hubForm_->X2Click(); };
    // Chat lines (status lines of every machine, liaison memos) go to the console's memo.
    d.passFadeToIptalk = [this](qint32 amount) { iptalk_->SendIptalkFade(true, amount); };
    // The hub's list of screens follows the screens that the display window follows.
    QObject::connect(&d.screens(), &DisplayScreens::screensChanged, &hubForm_->screenChoice(),
                     &ScreenChoiceBox::refresh);
    registerDisplayCommands(
        *interpreter_,
        {settings_, d, [this](const QByteArray& line) { console_->addChatLine(line); },
         iptalk_.get()});
    // A file set's IPtalk settings file goes to this machine's own IPtalk.
    registerLoadingCommands(
        *interpreter_, {settings_, hub_, log_, *status_, *settingsFile_, d, worksheet_,
                        [this](int, int row) { ws_->showProgress(row); },
                        [this](const QByteArray& name) {
                            iptalk_->SendIptalkSettingsFile(name, IptalkCooperation::ownHost());
                        }});

    SettingsFile::Hooks hooks;
    hooks.displayWindowFrame = [this]() -> std::optional<QRect> {
        if (!display_->isVisible()) {
            return std::nullopt;
        }
        return display_->frameGeometry();
    };
    hooks.restyleCaption = [this] { display_->restyleAfterSettingsLoad(); };
    hooks.executePacket = [this](const QByteArray& packet) {
        interpreter_->ExecutePacket(packet, nullptr);
    };
    hooks.startDisplayRole = [this] { startDisplayRoleForSettingsFile(); };
    hooks.placeIptalk = [this] { iptalk_->PlaceIptalk(); };
    settingsFile_->setHooks(std::move(hooks));

    TSettingForm* hub = hubForm_.get();
    QObject::connect(hub, &TSettingForm::showDisplayWindowRequested, &d, [this] {
        backWind_->show();
        display_->showForDisplay();
    });
    QObject::connect(hub, &TSettingForm::closeDisplayWindowRequested, &d, [this] {
        display_->webTimer().stop();
        display_->close();
    });
    QObject::connect(hub, &TSettingForm::toggleDisplayFrameRequested, &d,
                     [this] { display_->W1Click(); });
    QObject::connect(hub, &TSettingForm::wallColourPicked, &d,
                     [this] { display_->ChangeWallClick(); });
    QObject::connect(hub, &TSettingForm::edgeAdjustRequested, &d, [this](int edge, bool up) {
        display_->adjustFrame(edge, up, settings_.MoveFrame());
    });
    QObject::connect(hub, &TSettingForm::coverPictureChosen, &d, [this](const QString& path) {
        try {
            display_->loadCoverPicture(path);
        } catch (...) {
            dialogs_.message(QStringLiteral("ロード失敗です。"), QStringLiteral("設定"),
                             Dialogs::Icon::Information);
            return;
        }
        // IPtalk's captions stay visible over the cover picture.
        guarded(*errors_, [this] { iptalk_->PlaceIptalk(); });
    });
}

void Program::startDisplayRoleForSettingsFile() {
    if (hub_.PacketSettingsLoads == 0) {
        hubForm_->Button4Click();
        return;
    }
    // A packet asked for the load and is still being executed: the role that already runs
    // is not started again underneath it (a changed port would drop the very connection it
    // came from), and a start opens no modal box in the middle of the packet.
    if (listener_->isOpen()) {
        log_.add(
            QStringLiteral("表示機は起動中のため、受信した設定ファイルの ServerNow=1 では"
                           "起動し直しません。"));
        return;
    }
    dialogs_.withoutWaiting([this] { hubForm_->Button4Click(); });
}

void Program::wireConsole() {
    TClientMain& c = *console_;
    ReplyWindows w;
    w.chatLine = [this](const QByteArray& l) { console_->addChatLine(l); };
    w.fileListItem = [this](const QByteArray& n) {
        console_->addFileListItem(n);
        easyPanel_->addFileEntry(n);
    };
    w.fileListDone = [this] { easyPanel_->reselectEntries(); };
    w.partsInfo = [this](const QByteArray& n, const QByteArray& v, const QByteArray& f,
                         const QByteArray& b) { console_->partsInfo(n, v, f, b); };
    w.cpuLoad = [this](int percent) { console_->cpuLoadReply(percent); };
    w.refreshFileList = [this] { console_->Button5Click(); };
    w.errorLogLine = [this](const QByteArray& l) { errWindow_->addLine(l); };
    w.folder = [this](const QByteArray& f) { dirChange_->addFolder(f); };
    replies_ = std::make_unique<ReplyProcessor>(ReplyContext{settings_, hub_, log_, worksheet_, w});
    connection_->processReply = [this](const QByteArray& packet, PacketConnection* from) {
        replies_->ProcessReply(packet, from);
    };
    QObject::connect(
        connection_.get(), &OperatorConnection::consoleStatus, &c,
        [this](const QString& text, const QColor& colour) { console_->setStatus(text, colour); });

    TSettingForm* hub = hubForm_.get();
    auto showWindow = [](QWidget* w) {
        w->show();
        w->raise();
        w->activateWindow();
    };
    QObject::connect(hub, &TSettingForm::showConsoleRequested, &c,
                     [this, showWindow] { showWindow(console_.get()); });
    QObject::connect(hub, &TSettingForm::hideConsoleRequested, &c, [this] { console_->hide(); });
    QObject::connect(&c, &TClientMain::consoleClosed, hub, [this] {
        // The console goes away with its connection; the hub comes back.
        hub_.Reconnecting = false;
        connection_->close();
        hubForm_->showNormal();
    });
    // "IPtalk設定転送": the settings file goes to the display machine's IPtalk.
    QObject::connect(&c, &TClientMain::iptalkFileChosen, iptalk_.get(),
                     [this](const QByteArray& name) {
                         iptalk_->SendIptalkSettingsFile(name, settings_.ClientName());
                     });
    QObject::connect(&c, &TClientMain::showCaptionPageRequested, hub,
                     [this] { hubForm_->showCaptionPage(); });
    QObject::connect(&c, &TClientMain::fileListCleared, dirChange_.get(), [this] {
        dirChange_->clearFolders();
        easyPanel_->clearFileEntries();
        replies_->fileListRequested();
    });
    QObject::connect(
        &c, &TClientMain::continuousSenderNames, rsend_.get(),
        [this](const QByteArrayList& names, bool show) { rsend_->setPartNames(names, show); });
    QObject::connect(easyPanel_.get(), &TZUL_ezpnl::showFileRequested, &c,
                     [this](int index) { console_->showFileAt(index); });
    QObject::connect(connection_.get(), &OperatorConnection::disconnectedFromDisplay, &c,
                     [this] { replies_->connectionClosed(); });

    UdpDiscovery::Hooks udp = udp_->hooks();
    udp.refreshPartsList = [this] {
        if (connection_->isEstablished()) {
            console_->refreshPartsList();
        }
    };
    udp.refreshFileList = [this] {
        if (connection_->isEstablished()) {
            console_->Button5Click();
        }
    };
    udp_->setHooks(udp);
}

void Program::wireRemote() {
    // Served while the display role runs; every packet that ran and every status line may
    // change what the pages show.
    remote_ = std::make_unique<WebRemote>(settings_, log_, *errors_, *interpreter_,
                                          displaySources(*display_, hub_, settings_, *udp_));
    interpreter_->setObserver([this](const QByteArray& work) { remote_->packetExecuted(work); });
    status_->setLineObserver([this](const QByteArray& text) { remote_->addStatusLine(text); });
    QObject::connect(listener_.get(), &DisplayListener::openChanged, remote_.get(),
                     [this](bool open) { remote_->follow(open); });
    QObject::connect(remote_.get(), &WebRemote::servingChanged, hubForm_.get(),
                     &TSettingForm::showWebAddresses);
    QObject::connect(udp_.get(), &UdpDiscovery::nicListChanged, remote_.get(),
                     [this] { remote_->followCard(); });
}

void Program::start() {
    if (options_.showWindows) {
        splash_->start();
    }
    const StartupContext ctx{settings_, *settingsFile_, *interpreter_, log_, *errors_};
    runStartup(ctx, options_.commandLine, options_.startFolder);
    // ZUL_START_OPERATOR=1 also starts the operator role towards the ClientName of the
    // settings, as "操作機として起動" would (the demo gets its own console this way).
    if (qEnvironmentVariableIntValue("ZUL_START_OPERATOR") == 1) {
        guarded(*errors_, [this] { hubForm_->Button10Click(); });
    }
}

void Program::quit() {
    if (quitting()) {
        return;
    }
    // No operator's packets run any more: the reads and loads on the stack let events run,
    // and they would otherwise go on executing everything the connections still hold.
    listener_->close();
    display_->hide();
    backWind_->hide();
    dialogs_.silence([this](const QString& text, const QString& title) {
        log_.add(QStringLiteral("終了中のため表示しません：[%1] %2")
                     .arg(title, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    });
    QCoreApplication::exit(0);
}

void Program::shutdown() {
    udp_->close(true);
    const QString path =
        QDir(options_.startFolder).filePath(QString::fromLatin1(DebugLog::kFileName));
    QString error;
    if (!log_.writeFile(path, &error)) {
        std::fprintf(stderr, "zul: %s: %s\n", qPrintable(path), qPrintable(error));
    }
}

int runProgram(ZulApplication& app) {
    QApplication::setApplicationName(QStringLiteral("ZUL"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZUL"));
    QApplication::setQuitOnLastWindowClosed(false);
    QuitOnSignals quitOnSignals;
    Program::Options options;
    options.startFolder = QDir::currentPath();
    options.commandLine = commandLineText(QCoreApplication::arguments());
    Program program(options);
    QObject::connect(&quitOnSignals, &QuitOnSignals::signalled, &app,
                     [&program] { program.quit(); });
    // Operators' backlogs do not hold the quit back: their packets stop as the signal comes.
    program.listener().setInterrupt([&quitOnSignals] { return quitOnSignals.caught(); });
    app.setErrorSink(&program.errors());
    // The startup files load once the event loop runs, so that the windows are up.
    QTimer::singleShot(0, &app, [&program] { program.start(); });
    const int code = ZulApplication::exec();
    app.setErrorSink(nullptr);
    program.shutdown();
    return code;
}

}  // namespace zul
