#pragma once

// The remote directory change window: switches the connected display machine's base
// directory. The key typed here must equal the one the display machine's user typed into
// its hub form; the display machine decides and answers in the console's chat memo. The
// folder list offers the display machine's folders, filled by the reply processing.

#include <QByteArray>
#include <QWidget>

#include "services/operator_channel.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zul {

class DebugLog;

class TDirChange : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 612;
    static constexpr int kClientHeight = 124;

    TDirChange(OperatorChannel channel, DebugLog& log, QWidget* parent = nullptr);

    // A folder of the display machine (code page 932) for the list of `path`.
    void addFolder(const QByteArray& folder);
    // Empties the list of `path`; the text being typed stays.
    void clearFolders();

    // "変更指示": hides the window and sends the key and the folder, unchecked, when the
    // connection is open. Characters that code page 932 cannot hold go as '?', with a log
    // line (which never shows the key: the log can be fetched over the network).
    void Button1Click();

    QLineEdit* Passwd() const { return passwd_; }
    QComboBox* path() const { return path_; }
    QPushButton* Button1() const { return change_; }

private:
    QByteArray keyField() const;
    QByteArray folderField() const;

    OperatorChannel channel_;
    DebugLog& log_;
    QLineEdit* passwd_ = nullptr;
    QComboBox* path_ = nullptr;
    QPushButton* change_ = nullptr;
};

}  // namespace zul
