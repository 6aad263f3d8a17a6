#pragma once

// The easy panel: sixteen rows, each a drop-down of the display machine's files with a
// button "【表示】" that runs the console's double-click instruction for the chosen file, and
// two buttons that fade the display in and out in timed steps. The drop-downs' entries are
// the console's file list, in its order, so that a chosen position is a position there. The
// choices are kept in panel files (".rz1").

#include <QByteArray>
#include <QMainWindow>
#include <array>

#include "console/easy_panel.h"
#include "services/operator_channel.h"

class QComboBox;
class QTimer;

namespace zul {

class DebugLog;
class Dialogs;

class TZUL_ezpnl : public QMainWindow {
    Q_OBJECT
public:
    TZUL_ezpnl(OperatorChannel channel, Dialogs& dialogs, DebugLog& log, QWidget* parent = nullptr);

    // ---- what the console's file list requests fill ---------------------------------
    // Empties the sixteen lists; their texts stay.
    void clearFileEntries();
    // One file name (code page 932) at the end of every list; texts and choices stay.
    void addFileEntry(const QByteArray& name);
    // The list is complete: each drop-down chooses the entry equal to its text again.
    void reselectEntries();

    // ---- buttons and menu ----------------------------------------------------------
    void showClick(int row);  // "【表示】" of row 0..15
    void Button17Click();     // "フェードイン"
    void Button18Click();     // "フェードアウト"
    void openClick();         // "開く(&O)"
    void saveClick();         // "名前をつけて保存(&A)"

    QComboBox* comboBox(int row) const { return combos_.at(static_cast<std::size_t>(row)); }
    QTimer* Fin() const { return fin_; }
    QTimer* Fout() const { return fout_; }

Q_SIGNALS:
    // Select the entry `index` of the console's file list (none for -1) and run the
    // double-click instruction for it.
    void showFileRequested(int index);

private:
    void build();
    void createMenus();
    void FinTimer();
    void FoutTimer();
    void sendFade(int level);
    // The position of the entry chosen in row `row`: -1 when none is, or when the text
    // no longer names the chosen entry.
    int chosenEntry(int row) const;
    QByteArray rowText(int row) const;
    void setRowText(int row, const QString& text);
    void chooseMatchingEntry(int row);

    OperatorChannel channel_;
    Dialogs& dialogs_;
    DebugLog& log_;
    std::array<QComboBox*, kPanelRows> combos_{};
    QTimer* fin_ = nullptr;
    QTimer* fout_ = nullptr;
    int fadeInStep_ = kFadeInFirstStep;
    int fadeOutStep_ = kFadeOutFirstStep;
};

}  // namespace zul
