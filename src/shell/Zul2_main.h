#pragma once

// The hub form: the program's main window. It shows every setting of both roles as a
// control bound to the settings model, starts and stops the roles, saves and loads
// settings files, and shows the log.

#include <QMainWindow>
#include <QPointer>

#include "protocol/command_table.h"
#include "shell/hub_context.h"
#include "shell/tray_menu.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QSystemTrayIcon;
class QTabWidget;

namespace zul {

class ScreenChoiceBox;

class TSettingForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TSettingForm(const HubContext& ctx, QWidget* parent = nullptr);
    ~TSettingForm() override;

    // Role actions.
    void Button4Click();    // "表示機として起動"
    void Button10Click();   // "操作機として起動"
    void X2Click();         // "直接、操作する(&X)"
    void N1Click();         // stop the display role
    void C1Click();         // stop the operator role
    void Button8Click();    // "ZULを終了"
    void X1Click();         // "強制終了(&X)"
    void ChgModeClick();    // "上級モードにする"
    void MS_selectClick();  // "PC選択" of the mirror target

    // Settings file buttons.
    void Set_SaveClick();
    void Set_LoadClick();

    // Local buttons.
    void Button1Click();   // choose the base directory
    void Button5Click();   // caption background colour
    void Button6Click();   // caption font colour
    void Button7Click();   // caption font
    void Button2Click();   // send the caption look to the display machine
    void Button22Click();  // ask the display machine for its caption look

    bool displayRoleRunning() const;
    bool operatorRoleRunning() const;
    bool advancedMode() const;

    // Brings up the caption page ("文字枠の設定") of the display tab.
    void showCaptionPage();
    // The addresses that the browser remote serves on (none: it does not serve).
    void showWebAddresses(const QStringList& addresses);

    void setStatusText(const QString& text);
    QString statusText() const;

    QSystemTrayIcon* trayIcon() const { return tray_; }
    // "表示する画面".
    ScreenChoiceBox& screenChoice() const { return *ScreenChoice; }
    QMenu* trayMenu() const { return WinPop_; }
    // Whether the desktop has a system tray; without one the tray menu's items must be
    // offered elsewhere (addTrayItems).
    bool hasTray() const { return trayAvailable_; }
    // Adds the tray menu's items to another menu.
    void addTrayItems(QMenu& menu);
    void runTrayAction(TrayAction action);

Q_SIGNALS:
    // Windows that land with later parts of the program connect to these.
    void showDisplayWindowRequested();
    void closeDisplayWindowRequested();
    void showConsoleRequested();
    void hideConsoleRequested();
    void toggleDisplayFrameRequested();
    void showToolRequested(const QString& tool);
    // The fade colour was picked by hand (the commands set it without this).
    void wallColourPicked();
    // A local edge button of the display adjustment page.
    void edgeAdjustRequested(int edge, bool up);
    // "単色カバーではなく絵を使用する": a cover picture chosen by hand.
    void coverPictureChosen(const QString& path);
    // "ZULを終了", "強制終了(&X)" or the hub window closed: the program ends.
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildWelcomePage();
    QWidget* buildSaveLoadPage();
    QWidget* buildOperatorPage();
    QWidget* buildDisplayPage();
    QWidget* buildStartTab();
    QWidget* buildFolderTab();
    QWidget* buildAdjustTab();
    QWidget* buildIptalkTab();
    QWidget* buildMirrorTab();
    QWidget* buildWebTab();
    QWidget* buildCaptionTab();
    QWidget* buildToolsTab();
    QWidget* buildTroubleTab();
    QWidget* buildCardTab();
    QWidget* buildPeerPanel();
    void buildTray();
    void bindLog();
    void bindSampleText();
    void refreshSampleText();
    void refreshHideButton();
    void DspRemClick();
    void wireConnections();
    void wireRemoteOptions();
    void sendRemote(Cmd cmd, const QByteArray& operand);
    void edgeClicked(int edge, bool up);
    // Runs `work` under the application error handler.
    template <typename F>
    void guard(F&& work);

    HubContext ctx_;
    bool trayAvailable_ = false;
    QTabWidget* pages_ = nullptr;
    QPlainTextEdit* DebugLogMemo = nullptr;
    QListWidget* StrList = nullptr;
    QListWidget* WebList = nullptr;
    QListWidget* NetList = nullptr;
    QLineEdit* SampleText = nullptr;
    QSpinBox* Port = nullptr;
    QSpinBox* ClientPort = nullptr;
    QSpinBox* MirrorPort = nullptr;
    QLabel* WebAddress = nullptr;
    QLabel* PortLabel = nullptr;
    QLabel* ClientPortLabel = nullptr;
    QWidget* SevPort = nullptr;
    ScreenChoiceBox* ScreenChoice = nullptr;
    QPushButton* ChgMode = nullptr;
    QPushButton* HideButton = nullptr;
    QCheckBox* DspRemBox = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* WinPop_ = nullptr;
};

}  // namespace zul
