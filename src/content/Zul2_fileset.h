#pragma once

// The file-set editor: a tool window in which a file set (".rf1") is composed from the files
// of the base directory, one drop-down per item, and saved.

#include <QWidget>

#include "content/file_set.h"

class QComboBox;
class QPushButton;

namespace zul {

class Dialogs;
struct Settings;

class TFileSet : public QWidget {
    Q_OBJECT
public:
    TFileSet(Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

    // "保存": asks for a file name, writes the file set there and closes the window.
    void Button1Click();

    // The file set as it would be saved: the box texts in code page 932.
    FileSet fileSet() const;

protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QComboBox* addBox(const char* name, const QString& caption, QWidget* column);
    void fillBoxes();
    void RDChange(const QString& text);
    FileSet encodeBoxes(int* unmappable) const;
    void reportUnmappable(const QString& path, int count);

    Settings& settings_;
    Dialogs& dialogs_;
    QComboBox* RD = nullptr;
    QComboBox* TL = nullptr;
    QComboBox* FP = nullptr;
    QComboBox* BG = nullptr;
    QComboBox* FV = nullptr;
    QComboBox* DP = nullptr;
    QComboBox* CSV = nullptr;
    QPushButton* Button1 = nullptr;
};

}  // namespace zul
