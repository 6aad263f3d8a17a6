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
#include "commands/reply_processor.h"
#include "console/Zul2_cmain.h"
#include "console/Zul2_ws.h"
#include "content/Zul2_fileset.h"
#include "content/Zul2_weblst.h"
#include "display/Zul2_backwind.h"
#include "display/Zul2_rdisp.h"
#include "display/presentation_control.h"
#include "external/impress_show.h"
#include "platform/Hmudp.h"
#include "platform/cp932.h"
#include "platform/cpu_load.h"
#include "platform/fonts.h"
#include "platform/office_converter.h"
#include "platform/x11_windows.h"
#include "services/Zul2_dircng.h"
#include "services/Zul2_dlog.h"
#include "services/Zul2_ts.h"
#include "services/operator_channel.h"
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
    status_ = std::make_unique<StatusBroadcaster>(cp932::encode(QHostInfo::localHostName()));
    interpreter_ = std::make_unique<Interpreter>(log_);
    settingsFile_ = std::make_unique<SettingsFile>(settings_, log_);
    errors_ = std::make_unique<AppErrorHandler>(log_, settings_, dialogs_, *status_);
    createNetwork();
    createWindows();
    registerTools();
    wire();
    wireNetwork();
    wireDisplay();
    wireConsole();
    // The hub form's creation opens the UDP socket on the port.
    udp_->open();
}

Program::~Program() {
    // Windows go first: they hold references to the network objects.
    ws_.reset();
    ts_.reset();
    dirChange_.reset();
    errWindow_.reset();
    fileSet_.reset();
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
    udp_ = std::make_unique<UdpDiscovery>(settings_, hub_, log_, dialogs_, *interpreter_, peers_,
                                          status_->hostName());
    status_->setSender(udp_.get());
    converter_ = std::make_unique<OfficeConverter>();
    x11_ = std::make_unique<X11Windows>([this](const QString& line) { log_.add(line); });
    impress_ = std::make_unique<ImpressShow>(*x11_);
    // At start the text list holds two blank lines (ideographic spaces and one space).
    const QByteArray blank = cp932::encode(QString(11, QChar(0x3000)) + QLatin1Char(' '));
    strList_.setLines({blank, blank});
    // Receive errors, handler failures and periodic discovery errors reach the error handler.
    udp_->setErrorSink(errors_.get());
}

void Program::setDialogs(Dialogs* dialogs) {
    dialogs_.setTarget(dialogs != nullptr ? dialogs : &qtDialogs_);
}

void Program::createWindows() {
    // Every window is created once, in this order, and lives until the end of the run.
    const HubContext ctx{settings_, hub_,     log_,          dialogs_,   *settingsFile_,
                         *errors_,  *status_, *interpreter_, *listener_, *connection_,
                         *udp_,     peers_,   strList_,      webList_};
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
    fileSet_ = std::make_unique<TFileSet>(settings_, dialogs_);
    const OperatorChannel channel{connection_.get(),
                                  [this] { return connection_->isEstablished(); }};
    errWindow_ = std::make_unique<TZUL_Err>(channel);
    dirChange_ = std::make_unique<TDirChange>(channel, log_);
    ts_ = std::make_unique<TZUL_ts>(settings_);
    ws_ = std::make_unique<Tzul_ws>(worksheet_, dialogs_);
    ws_->setConnection(connection_.get());
}

void Program::registerTools() {
    // Every tool window by the name that the menus and buttons ask for.
    tools_.add(QStringLiteral("TWebListEdit"), webListEdit_.get());
    tools_.add(QStringLiteral("TFileSet"), fileSet_.get());
    tools_.add(QStringLiteral("TZUL_Err"), errWindow_.get());
    tools_.add(QStringLiteral("TDirChange"), dirChange_.get());
    tools_.add(QStringLiteral("TZUL_ts"), ts_.get());
    tools_.add(QStringLiteral("Tzul_ws"), ws_.get());
    const auto open = [this](const QString& tool) { tools_.show(tool); };
    QObject::connect(hubForm_.get(), &TSettingForm::showToolRequested, hubForm_.get(), open);
    QObject::connect(console_.get(), &TClientMain::showToolRequested, console_.get(), open);
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
    udp_->setHooks(udp);
    QObject::connect(&settings_.Port, &SettingBase::changed, udp_.get(),
                     [this] { guarded(*errors_, [this] { udp_->PortChange(); }); });
}

void Program::wireDisplay() {
    TMainDisp& d = *display_;
    splash_->hubWanted = [this] { return !display_->isVisible() && !console_->isVisible(); };
    d.displayOpen = [this] { return listener_->isOpen(); };
    d.startOperatorRole = [this] { hubForm_->X2Click(); };
    // Chat lines (status lines of every machine, liaison memos) go to the console's memo.
    registerDisplayCommands(
        *interpreter_,
        {settings_, d, [this](const QByteArray& line) { console_->addChatLine(line); }, {}});
    registerLoadingCommands(*interpreter_, {settings_,
                                            hub_,
                                            log_,
                                            *status_,
                                            *settingsFile_,
                                            d,
                                            worksheet_,
                                            [this](int, int row) { ws_->showProgress(row); },
                                            {}});

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
    hooks.startDisplayRole = [this] { hubForm_->Button4Click(); };
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
        }
    });
}

void Program::wireConsole() {
    TClientMain& c = *console_;
    ReplyWindows w;
    w.chatLine = [this](const QByteArray& l) { console_->addChatLine(l); };
    w.fileListItem = [this](const QByteArray& n) { console_->addFileListItem(n); };
    w.fileListDone = [] {};
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
    QObject::connect(&c, &TClientMain::showCaptionPageRequested, hub,
                     [this] { hubForm_->showCaptionPage(); });
    QObject::connect(&c, &TClientMain::fileListCleared, dirChange_.get(), [this] {
        dirChange_->clearFolders();
        replies_->fileListRequested();
    });
    QObject::connect(connection_.get(), &OperatorConnection::disconnectedFromDisplay, &c,
                     [this] { replies_->connectionClosed(); });

    UdpDiscovery::Hooks udp = udp_->hooks();
    udp.refreshPartsList = [this] {
        if (connection_->isEstablished()) {
            console_->Button4Click();
        }
    };
    udp.refreshFileList = [this] {
        if (connection_->isEstablished()) {
            console_->Button5Click();
        }
    };
    udp_->setHooks(udp);
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
    app.setErrorSink(&program.errors());
    // The startup files load once the event loop runs, so that the windows are up.
    QTimer::singleShot(0, &app, [&program] { program.start(); });
    const int code = ZulApplication::exec();
    app.setErrorSink(nullptr);
    program.shutdown();
    return code;
}

}  // namespace zul
