#pragma once

// The basketball score board: two scores, two team names and a court name, each change sent
// at once to the court's parts on the display machine while the board is online. It stays
// on top of other windows; closing it only hides it.

#include <QMainWindow>

#include "console/scoreboard.h"
#include "services/operator_channel.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace zul {

class DebugLog;
class Dialogs;
class OnlineStatusBar;

class Tzul_pb_main : public QMainWindow {
    Q_OBJECT
public:
    Tzul_pb_main(OperatorChannel channel, Dialogs& dialogs, DebugLog& log,
                 QWidget* parent = nullptr);

    bool online() const;

    // The buttons.
    void pointClick(BoardField score, int points);  // "１" "２" "３"
    void Button10Click();                           // "先後攻入れ替え"
    void Button9Click();                            // "一括送信"
    void Button8Click();                            // "オンライン・オフライン"

private:
    void build();
    QSpinBox* scoreBox(BoardField field) const;
    QLineEdit* textBox(BoardField field) const;
    int court() const;
    // The field's packet, when online.
    void sendField(BoardField field);
    void sendNow(BoardField field);

    OperatorChannel channel_;
    Dialogs& dialogs_;
    DebugLog& log_;
    QComboBox* ID = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QSpinBox* CSpinEdit1 = nullptr;
    QSpinBox* CSpinEdit2 = nullptr;
    OnlineStatusBar* StatusBar1 = nullptr;
};

}  // namespace zul
