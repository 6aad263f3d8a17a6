#pragma once

// The parts editor: the tool window in which parts definition files (".rp1") are composed,
// one grid row per part. The appearance panel edits a row's font and colours, the preview
// (TRE_Disp) shows the parts as rectangles on a picture of the screen and takes a dragged
// rectangle, the position window (TPosView) takes its own screen rectangle. The editor sends
// nothing over the network.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QWidget>

#include "content/parts_editing.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QSpinBox;
class QTableWidget;

namespace zul {

class DebugLog;
class Dialogs;
struct Settings;

class TFP_Edit : public QWidget {
    Q_OBJECT
public:
    TFP_Edit(Settings& settings, Dialogs& dialogs, DebugLog& log, QWidget* parent = nullptr);
    ~TFP_Edit() override;

    // Main menu.
    void OpenClick();        // "読み込み(&R)"
    void SaveClick();        // "保存(&S)"
    void AddPartClick();     // "部品追加(&A)"
    void RemovePartClick();  // "部品削除(&D)"
    void ShowImageClick();   // "イメージ画面表示(&X)"
    void LoadImageClick();   // "背景画面をロード(&L)"

    // Context menu of the grid, on the selected row.
    void InsertClick();  // "挿入"
    void DeleteClick();  // "削除"
    void ClearClick();   // "クリア"
    void UpClick();      // "上へ"
    void DownClick();    // "下へ"

    // Appearance panel.
    void Button5Click();   // "フォント設定"
    void Button6Click();   // "文字色設定"
    void Button7Click();   // "背景色設定"
    void Button8Click();   // "変更を反映"
    void Button9Click();   // "位置決めツールを表示"
    void Button12Click();  // "再描画"

    // The grid's row-leave handler: takes the rows over into the preview picture.
    void PartsListExit();

    // The grid as rows of 14 cells (code page 932), and replacing it.
    EditorRows rows() const;
    void setRows(const EditorRows& rows);
    // The selected part row, counted as the grid counts it (the first part row is 1).
    int selectedRow() const;
    void selectRow(int r);
    QByteArray cell(int r, int column) const;
    // Writes cells of the selected row (the preview and the position window use this).
    void setSelectedRowCell(int column, const QByteArray& text);

    // The screen-image settings that the preview follows.
    int displaySizeChoice() const;
    bool stripShown() const;
    int stripFontSize() const;
    bool keepAspect() const;

    // The preview picture with the parts drawn on it.
    const QImage& previewPicture() const { return picture_; }

    QTableWidget* PartsList() const { return PartsList_; }
    QMenu* PopupMenu() const { return PopupMenu1; }
    QMenuBar* MainMenu() const { return MainMenu_; }

Q_SIGNALS:
    void showToolRequested(const QString& tool);
    // ChkStr, StrFont, ChkAspect or DispSize changed: the preview lays itself out again.
    void previewLayoutChanged();
    // The preview picture was drawn again.
    void previewPictureChanged();

private:
    void buildMenus();
    QWidget* buildPanel();
    QWidget* buildImageGroup();
    QWidget* buildHint();
    void buildGrid();
    void writeTitles();
    void applyRows(const EditorRows& rows, int selected);
    template <typename Operation>
    void onSelectedRow(Operation&& operation);
    void PartsListClick(int r);
    void setSample();
    void setColourLabel(QLabel* label);
    void showContextMenu(const QPoint& at);
    void rowDragged(int fromVisual, int toVisual);
    QImage basePicture() const;
    void reportUnmappable(const QString& path, int count);

    Settings& settings_;
    Dialogs& dialogs_;
    DebugLog& log_;

    QMenuBar* MainMenu_ = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QTableWidget* PartsList_ = nullptr;
    QLabel* Label1 = nullptr;  // font face
    QLabel* Label2 = nullptr;  // text colour
    QLabel* Label3 = nullptr;  // background colour
    QLabel* Label4 = nullptr;  // font size
    QLabel* Sample = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* ChkStr = nullptr;
    QSpinBox* StrFont = nullptr;
    QCheckBox* ChkAspect = nullptr;
    QComboBox* DispSize = nullptr;

    QMetaObject::Connection focusWatch_;
    QString pictureFile_;
    QImage loadedPicture_;
    QImage picture_;
};

}  // namespace zul
