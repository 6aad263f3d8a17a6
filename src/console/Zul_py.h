#pragma once

// The baseball score board, a sample: the score table and the pitch buttons have no
// function yet; "一括送信" sends the two team names while the board is online. It stays on
// top of other windows; closing it only hides it.

#include <QMainWindow>

#include "services/operator_channel.h"

class QLineEdit;
class QTableWidget;

namespace zul {

class DebugLog;
class Dialogs;
class OnlineStatusBar;

class Tzul_py_main : public QMainWindow {
    Q_OBJECT
public:
    Tzul_py_main(OperatorChannel channel, Dialogs& dialogs, DebugLog& log,
                 QWidget* parent = nullptr);

    bool online() const;
    void sendAllClick();  // "一括送信"
    void onlineClick();   // "オンライン・オフライン"

private:
    OperatorChannel channel_;
    Dialogs& dialogs_;
    DebugLog& log_;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QTableWidget* PointList = nullptr;
    OnlineStatusBar* StatusBar1 = nullptr;
};

}  // namespace zul
