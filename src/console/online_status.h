#pragma once

// What the score boards share: typed names as packet fields, and the online flag with the
// status bar that shows it. While online every change is sent at once, while offline
// nothing is. The flag starts online and is not stored.

#include <QStatusBar>

class QLabel;

namespace zul {

class DebugLog;
class Dialogs;

// A name typed into a board as a packet field (see packetField); characters that code page
// 932 cannot hold go as '?', with a log line.
QByteArray typedField(const QString& text, DebugLog& log);

class OnlineStatusBar : public QStatusBar {
public:
    explicit OnlineStatusBar(QWidget* parent = nullptr);

    bool online() const { return online_; }
    // "オンライン・オフライン": nothing is sent by the switch itself.
    void toggle();
    QString text() const;

    // For "一括送信": true while online; offline the operator is told to go online first.
    bool readyToSendAll(Dialogs& dialogs) const;

private:
    void showState();

    bool online_ = true;
    QLabel* label_ = nullptr;
};

}  // namespace zul
