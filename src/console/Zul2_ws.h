#pragma once

// The worksheet window: the worksheet's grid with loading, saving and clearing, and the
// rows sent to or requested from the display machine. The window is a view of the
// Worksheet model, which keeps the cells; on the display machine it stays hidden while
// packets fill the model.

#include <QMainWindow>

class QProgressBar;
class QTableView;

namespace zul {

class Dialogs;
class PacketConnection;
class Worksheet;

class Tzul_ws : public QMainWindow {
    Q_OBJECT
public:
    Tzul_ws(Worksheet& worksheet, Dialogs& dialogs, QWidget* parent = nullptr);

    // The operator connection that rows are sent on; null when there is none, and then
    // sending and receiving send nothing.
    void setConnection(PacketConnection* connection) { connection_ = connection; }

    // Fills rows 1.. from the file, letting pending events run after each row; a file that
    // cannot be opened changes nothing.
    void LoadWorksheet(const QString& path);

    // Menu commands.
    void loadClick();     // "読み込み(&L)"
    void saveClick();     // "保存（&S)"
    void clearClick();    // "表をクリア(&A)"
    void sendClick();     // "表示機へ送信(&T)"
    void receiveClick();  // "表示機から受信(&R)"

    // The progress bar position, as a received row number shows it.
    void showProgress(int position);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createMenus();
    void layOut();

    Worksheet& worksheet_;
    Dialogs& dialogs_;
    PacketConnection* connection_ = nullptr;
    QTableView* Sheet = nullptr;
    QProgressBar* pg = nullptr;
};

}  // namespace zul
