#pragma once

// The web list editor: a tool window in which a web update list (".rw1") is written line by
// line, with the files of the base directory offered for picking, and saved.

#include <QByteArrayList>
#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace zul {

class Dialogs;
struct Settings;

class TWebListEdit : public QWidget {
    Q_OBJECT
public:
    TWebListEdit(Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

    // "追加": the drop-down's text becomes a new last line of the list.
    void Button1Click();
    // "保存": asks for a file name and writes the list there.
    void Button2Click();

    // The entries of the list as they would be saved (code page 932).
    QByteArrayList lines() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillBaseDirChoices();
    void reportUnmappable(const QString& path, int count);

    Settings& settings_;
    Dialogs& dialogs_;
    QPlainTextEdit* Memo1 = nullptr;
    QComboBox* BG = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};

}  // namespace zul
