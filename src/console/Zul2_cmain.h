#pragma once

// The operator console: the window an operator machine shows while it is connected to a
// display machine. Tabs for the caption script, file instructions, part values, update
// timing, tools and remote save; below them the memo area, the peer list, the captioning
// program's buttons, the display monitor and the status bar.

#include <QByteArray>
#include <QByteArrayList>
#include <QColor>
#include <QEvent>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "console/file_instructions.h"
#include "protocol/command_table.h"

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace zul {

class DatagramSender;
class DebugLog;
class Dialogs;
class PacketConnection;
class PeerList;
struct HubState;
struct Settings;

class TClientMain : public QMainWindow {
    Q_OBJECT
public:
    struct Context {
        Settings& settings;
        HubState& hub;
        DebugLog& log;
        Dialogs& dialogs;
        PacketConnection& connection;  // the operator connection (sends nothing while closed)
        DatagramSender& udp;           // liaison memos go out as status lines
        PeerList& peers;
        QByteArray hostName;  // this machine's host name, code page 932
    };

    explicit TClientMain(Context ctx, QWidget* parent = nullptr);
    ~TClientMain() override;

    // ---- what the reply processing fills --------------------------------------------
    void addChatLine(const QByteArray& line);      // MemoChat
    void addFileListItem(const QByteArray& name);  // FileList
    // A CmdPartsInfo answer: row by exact name, or a new row; titles in row 0.
    void partsInfo(const QByteArray& name, const QByteArray& caption, const QByteArray& fontColour,
                   const QByteArray& backColour);
    // A CmdCpuLoadReply: gauge value and colour, the silent-display recovery, CpuPending := 0.
    void cpuLoadReply(int percent);

    // ---- requests ----------------------------------------------------------------------
    // "ファイルリスト更新": empties the lists and asks for the files and the folders.
    void Button5Click();
    // "リスト更新": the grid back to its title row, then CmdListSend.
    void Button4Click();
    // The display machine told that parts changed: "リスト更新", unless a request is being
    // answered; then one more request follows when that answer is complete, however many
    // refreshes were asked for meanwhile.
    void refreshPartsList();
    // The display monitor tick (once a second).
    void cpusendTimer();
    // The easy panel's "【表示】": line `index` of the file list becomes the selected one (no
    // line for an index outside the list), then the double-click instruction runs for it.
    void showFileAt(int index);

    // A button "ZULメニュー" with an empty menu, for the items of the tray menu on desktops
    // without a system tray; returns the menu (the same one when called again).
    QMenu* addTrayMenuButton();

    // ---- test access --------------------------------------------------------------------
    QPlainTextEdit* Memo1() const;
    QPlainTextEdit* MemoChat() const;
    QComboBox* QueJump() const;
    QComboBox* SelEnterMode() const;
    QListWidget* FileList() const;
    QComboBox* FileMask() const;
    QTableWidget* PartsList() const;
    QSlider* WipeBlend() const;
    QProgressBar* PingTime() const;
    QLabel* cpu_status() const;
    QTabWidget* PageControl1() const;
    QColor pingColour() const;
    QColor statusColour() const;
    QTimer* cpusend() const;
    QListWidget* NetList() const;

    // The status bar text and colour written by the connection layer.
    void setStatus(const QString& text, const QColor& colour);

Q_SIGNALS:
    // A tool window owned elsewhere, by its class name ("Tzul_ws", "TDirChange",
    // "TZUL_ezpnl", "Tzul_pb_main", "Tzul_py_main").
    void showToolRequested(const QString& tool);
    // "フォント設定送信": the hub's caption page.
    void showCaptionPageRequested();
    // The continuous sender's name list: refresh it (show = false) or open it (show = true).
    void continuousSenderNames(const QByteArrayList& names, bool show);
    // The file list was emptied (the easy panel's lists and the folder list follow).
    void fileListCleared();
    // "IPtalk設定転送": a settings file for the captioning program.
    void iptalkFileChosen(const QByteArray& name);
    // The console was closed or hidden: the hub comes back.
    void consoleClosed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Ui;

    // Building the window.
    void buildFrame(QWidget* client);
    void buildTextTab(QWidget* page);
    void buildFileTab(QWidget* page);
    void buildPartsTab(QWidget* page);
    void buildTimingTab(QWidget* page);
    void buildToolsTab(QWidget* page);
    void buildRemoteSaveTab(QWidget* page);
    void buildMonitor(QWidget* client);

    // Sending; an error is logged, never thrown into the event loop.
    void send(Cmd cmd, const QByteArray& operand = {});
    void sendDatagram(const QByteArray& datagram);

    // "文字送信".
    bool memoKeyEvent(QEvent::Type type, int key);
    void sendCaretLineAsCaption();
    void sendCaretLineAsMemo();
    void enterReleased();

    // "ファイル指示".
    std::optional<QByteArray> selectedFile() const;
    void applyEnablingRules();
    void runInstruction(FileInstruction id);
    void runDoubleClickInstruction();
    void maskChosen(int index);
    void sendWhenFileSelected(Cmd cmd);

    // "部品の文字".
    QByteArray cell(int row, int column) const;
    void setCell(int row, int column, const QByteArray& text);
    void setTitleRowFixed(bool fixed);
    void resetPartsGrid();
    void partsAnswered();
    QByteArrayList partNames() const;
    void sendAllRows();
    void pickColour(int column);
    void openValueFile();
    void saveValueFile();

    // Outside the tabs.
    void refreshPeers();
    void showMonitorLabel(const QString& text, const QColor& background);
    void showGauge(int value, const QColor& colour);

    std::unique_ptr<Ui> ui_;
    Context ctx_;
};

}  // namespace zul
