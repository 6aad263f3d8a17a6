#pragma once

// The error information window: shows the log of the display machine the console is
// connected to. "取り寄せ" asks the display machine for its log; the replies arrive one line
// per packet and are appended here by the reply processing. The window keeps the lines and
// lays them out only while it is shown.

#include <QByteArray>
#include <QByteArrayList>
#include <QWidget>

#include "services/operator_channel.h"

class QPlainTextEdit;
class QPushButton;

namespace zul {

class LogViewFeed;

class TZUL_Err : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 628;
    static constexpr int kClientHeight = 275;

    explicit TZUL_Err(OperatorChannel channel, QWidget* parent = nullptr);

    // One line of the display machine's log (code page 932).
    void addLine(const QByteArray& line);

    // "取り寄せ": asks for the log (when the connection is open) and empties the memo for the
    // lines that answer it.
    void Button1Click();

    QPlainTextEdit* Memo1() const { return memo_; }
    QPushButton* Button1() const { return fetch_; }

private:
    OperatorChannel channel_;
    QPlainTextEdit* memo_ = nullptr;
    LogViewFeed* feed_ = nullptr;  // belongs to the memo
    QByteArrayList lines_;
    QPushButton* fetch_ = nullptr;
};

}  // namespace zul
