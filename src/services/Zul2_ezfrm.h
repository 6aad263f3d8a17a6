#pragma once

// The setup wizard: five pages that lead a user through the few settings a display machine
// needs (base directory, packet mirror), save them as a settings file and start the display
// role. Its controls hold values of their own, starting from fixed initial values at every
// program start; every change is copied into the setting of the same name.

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace zul {

class Dialogs;
class PeerList;
struct Settings;

class TEasyZUL : public QWidget {
    Q_OBJECT
public:
    TEasyZUL(Settings& settings, Dialogs& dialogs, const PeerList& peers,
             QWidget* parent = nullptr);

    // "次へ" on the first four pages.
    void Button1Click();
    void Button3Click();
    void Button6Click();
    void Button5Click();
    void Button2Click();    // "選択する": folder picker for the base directory
    void MS_selectClick();  // "PC選択": picks a display machine found on the network
    void Button4Click();    // "保存"
    void Button7Click();    // "起動する"
    void Button8Click();    // "設定終わり"

    QTabWidget* pages() const { return PageControl1; }
    QLineEdit* BaseDir() const { return BaseDir_; }
    QLineEdit* MirrorName() const { return MirrorName_; }
    QCheckBox* MirrorSel() const { return MirrorSel_; }
    QSpinBox* MirrorPort() const { return MirrorPort_; }
    // The picker behind "PC選択": one entry per display machine found.
    QMenu* peerMenu() const { return peerMenu_; }

Q_SIGNALS:
    // The hub's "設定を保存": save dialog, settings file and message.
    void saveRequested();
    // The hub form comes back.
    void hubRequested();
    // The hub's "表示機として起動".
    void startDisplayRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* page(const QStringList& lines, QWidget* content, QPushButton* next);
    QPushButton* nextButton(const char* name, int page);
    QWidget* buildBaseDirPage();
    QWidget* buildMirrorPage();
    QWidget* buildSavePage();
    QWidget* buildRunPage();
    void fillPeerMenu();

    Settings& settings_;
    Dialogs& dialogs_;
    const PeerList& peers_;
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* BaseDir_ = nullptr;
    QLineEdit* MirrorName_ = nullptr;
    QCheckBox* MirrorSel_ = nullptr;
    QSpinBox* MirrorPort_ = nullptr;
    QMenu* peerMenu_ = nullptr;
};

}  // namespace zul
