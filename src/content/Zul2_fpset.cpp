#include "content/Zul2_fpset.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/regular_file.h"

namespace zul {
namespace {

const QString kCaption = QStringLiteral("部品設定ツール");
const QString kSaveCaption = QStringLiteral("保存");
const QString kSaveTitle = QStringLiteral("部品ファイルを保存");
const QString kOpenFilter =
    QStringLiteral("ZUL部品ファイル(*.rp1)|*.rp1|すべてのファイル(*.*)|*.*");
const QString kSaveFilter =
    QStringLiteral("ZUL 部品ファイル(*.rp1)|*.rp1|すべてのファイル(*.*)|*.*");
const QString kPictureTitle = QStringLiteral("画像をロード");
const QString kPictureFilter = QStringLiteral(
    "画像ファイル(*.bmp;*.jpg;*.jpeg;*.png;*.gif;*.ico)|*.bmp;*.jpg;*.jpeg;*.png;*.gif;*.ico|"
    "すべてのファイル(*.*)|*.*");
const QString kDefaultName = QStringLiteral("default");

constexpr int kBytesRole = Qt::UserRole;
constexpr int kColumnWidth = 75;
constexpr int kRowHeight = 20;
// Pictures larger than this are not loaded into the preview.
constexpr int kMaxPictureSide = 8192;

const std::array<QString, kPartsKeyCount> kTitles = {
    QString(),
    QStringLiteral("部品名"),
    QStringLiteral("初期値"),
    QStringLiteral("位置[左上-Y1]"),
    QStringLiteral("位置[左上-X1]"),
    QStringLiteral("位置[右下-Y2]"),
    QStringLiteral("位置[右下-X2]"),
    QStringLiteral("フォント種類"),
    QStringLiteral("フォント色"),
    QStringLiteral("フォントサイズ"),
    QStringLiteral("背景色"),
    QStringLiteral("透過"),
    QStringLiteral("自動サイズ"),
    QStringLiteral("値変更不可"),
};

const QStringList kHintLines = {
    QStringLiteral("【画面イメージを使うときは画面サイズにあった画像をロードしてください】"),
    QString(),
    QStringLiteral("・部品は先頭順に配置されるため、【部品１】と【部品２】が重なる場合は部品２が表"
                   "に表示されます。"),
    QStringLiteral("・変更不可設定にすると、表示時は遠隔操作による変更ができなくなります。"),
    QStringLiteral("・大量に部品を配置するとメモリの状態によっては表示できなくなります。"),
    QStringLiteral("・部品は最大２００個まで配置できます。"),
    QStringLiteral("・部品はビットマップを背景にしたとき利用可能です。"),
    QStringLiteral("・サイズ自動設定時はＸ１／Ｙ１の値のみ有効で、Ｘ２／Ｙ２は反映されません。"),
    QStringLiteral("・画面イメージをマウスでクリックしても位置指定できます。"),
};

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLabel* valueLabel(const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(120);
    return label;
}

QCheckBox* checkBox(const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QAction* menuAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// The cell's bytes: those it was given, unless the user changed its text since.
QByteArray itemBytes(const QTableWidgetItem* item, int* unmappable) {
    if (item == nullptr) {
        return {};
    }
    const QByteArray original = item->data(kBytesRole).toByteArray();
    if (cp932::decode(original) == item->text()) {
        return original;
    }
    int missing = 0;
    QByteArray bytes = cp932::encode(item->text(), &missing);
    if (unmappable != nullptr) {
        *unmappable += missing;
    }
    return bytes;
}

// A name chosen without an extension that does not exist names the ".rp1" file.
QString withDefaultExtension(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() || !info.suffix().isEmpty()) {
        return path;
    }
    return path + QStringLiteral(".rp1");
}

// The neutral picture of the preview while none is loaded: a grey screen with a grid of
// 128 display pixels.
QImage neutralPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(112, 112, 112));
    QPainter painter(&image);
    painter.setPen(QColor(136, 136, 136));
    for (int x = 128; x < size.width(); x += 128) {
        painter.drawLine(x, 0, x, size.height() - 1);
    }
    for (int y = 128; y < size.height(); y += 128) {
        painter.drawLine(0, y, size.width() - 1, y);
    }
    return image;
}

}  // namespace

TFP_Edit::TFP_Edit(Settings& settings, Dialogs& dialogs, DebugLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), dialogs_(dialogs), log_(log) {
    setObjectName(QStringLiteral("FP_Edit"));
    setWindowTitle(kCaption);
    buildMenus();
    buildGrid();

    auto* top = new QHBoxLayout;
    top->addWidget(buildPanel());
    auto* side = new QVBoxLayout;
    side->addWidget(buildImageGroup());
    side->addWidget(buildHint(), 1);
    top->addLayout(side, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu_);
    layout->addLayout(top);
    layout->addWidget(PartsList_, 1);
    PartsList_->setMinimumSize(kColumnWidth * 10, kRowHeight * 12);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Leaving the grid (also for the preview's or the panel's controls) takes the rows over
    // into the preview; entering it writes the titles again.
    focusWatch_ =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            const auto inGrid = [this](QWidget* w) {
                return w != nullptr && (w == PartsList_ || PartsList_->isAncestorOf(w));
            };
            if (inGrid(old) && !inGrid(now)) {
                PartsListExit();
            } else if (!inGrid(old) && inGrid(now)) {
                writeTitles();
            }
        });

    applyRows(initialEditorRows(), 1);
    // The preview shows its picture from the start; the grid's cells stay as they are until
    // the first redraw.
    picture_ = basePicture();
}

TFP_Edit::~TFP_Edit() {
    // The widget's own teardown moves the focus: nothing of the editor may run then.
    disconnect(focusWatch_);
}

void TFP_Edit::buildMenus() {
    MainMenu_ = new QMenuBar(this);
    MainMenu_->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = MainMenu_->addMenu(QStringLiteral("ファイル操作(&F)"));
    connect(menuAction(file, "Open", QStringLiteral("読み込み(&R)")), &QAction::triggered, this,
            &TFP_Edit::OpenClick);
    connect(menuAction(file, "Save", QStringLiteral("保存(&S)")), &QAction::triggered, this,
            &TFP_Edit::SaveClick);
    QMenu* parts = MainMenu_->addMenu(QStringLiteral("部品操作(&P)"));
    connect(menuAction(parts, "AddPart", QStringLiteral("部品追加(&A)")), &QAction::triggered, this,
            &TFP_Edit::AddPartClick);
    connect(menuAction(parts, "RemovePart", QStringLiteral("部品削除(&D)")), &QAction::triggered,
            this, &TFP_Edit::RemovePartClick);
    QMenu* image = MainMenu_->addMenu(QStringLiteral("画面イメージ(&I)"));
    connect(menuAction(image, "ShowImage", QStringLiteral("イメージ画面表示(&X)")),
            &QAction::triggered, this, &TFP_Edit::ShowImageClick);
    connect(menuAction(image, "LoadImage", QStringLiteral("背景画面をロード(&L)")),
            &QAction::triggered, this, &TFP_Edit::LoadImageClick);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    connect(menuAction(PopupMenu1, "Insert", QStringLiteral("挿入")), &QAction::triggered, this,
            &TFP_Edit::InsertClick);
    connect(menuAction(PopupMenu1, "Delete", QStringLiteral("削除")), &QAction::triggered, this,
            &TFP_Edit::DeleteClick);
    connect(menuAction(PopupMenu1, "Clear", QStringLiteral("クリア")), &QAction::triggered, this,
            &TFP_Edit::ClearClick);
    connect(menuAction(PopupMenu1, "Up", QStringLiteral("上へ")), &QAction::triggered, this,
            &TFP_Edit::UpClick);
    connect(menuAction(PopupMenu1, "Down", QStringLiteral("下へ")), &QAction::triggered, this,
            &TFP_Edit::DownClick);
}

QWidget* TFP_Edit::buildPanel() {
    auto* group = new QGroupBox(QStringLiteral("パーツ設定"));
    auto* grid = new QGridLayout(group);

    auto* fontButton = button("Button5", QStringLiteral("フォント設定"));
    connect(fontButton, &QPushButton::clicked, this, &TFP_Edit::Button5Click);
    Label1 = valueLabel("Label1", QStringLiteral("ＭＳ　ゴシック"));
    Label4 = valueLabel("Label4", QStringLiteral("9"));
    auto* size = new QHBoxLayout;
    size->addWidget(Label4);
    size->addWidget(new QLabel(QStringLiteral("ｐｔ")));
    grid->addWidget(fontButton, 0, 0);
    grid->addWidget(Label1, 0, 1);
    grid->addLayout(size, 0, 2);

    auto* textColour = button("Button6", QStringLiteral("文字色設定"));
    connect(textColour, &QPushButton::clicked, this, &TFP_Edit::Button6Click);
    Label2 = valueLabel("Label2", QStringLiteral("0"));
    grid->addWidget(textColour, 1, 0);
    grid->addWidget(Label2, 1, 1);

    auto* backColour = button("Button7", QStringLiteral("背景色設定"));
    connect(backColour, &QPushButton::clicked, this, &TFP_Edit::Button7Click);
    Label3 = valueLabel("Label3", QStringLiteral("16777215"));
    grid->addWidget(backColour, 2, 0);
    grid->addWidget(Label3, 2, 1);

    auto* sampleGroup = new QGroupBox(QStringLiteral("サンプル"));
    Sample = new QLabel(QStringLiteral("Ａa"));
    Sample->setObjectName(QStringLiteral("Sample"));
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setAutoFillBackground(true);
    Sample->setMinimumSize(120, 48);
    (new QVBoxLayout(sampleGroup))->addWidget(Sample);
    grid->addWidget(sampleGroup, 0, 3, 3, 1);

    CheckBox1 = checkBox("CheckBox1", QStringLiteral("背景を透過する設定にする"));
    CheckBox2 = checkBox("CheckBox2", QStringLiteral("サイズ調整を自動にする"));
    CheckBox3 = checkBox("CheckBox3", QStringLiteral("値を変更不可にする"));
    grid->addWidget(CheckBox1, 3, 0, 1, 3);
    grid->addWidget(CheckBox2, 4, 0, 1, 3);
    grid->addWidget(CheckBox3, 5, 0, 1, 3);

    auto* apply = button("Button8", QStringLiteral("変更を反映"));
    connect(apply, &QPushButton::clicked, this, &TFP_Edit::Button8Click);
    auto* position = button("Button9", QStringLiteral("位置決めツールを表示"));
    connect(position, &QPushButton::clicked, this, &TFP_Edit::Button9Click);
    grid->addWidget(apply, 6, 0);
    grid->addWidget(position, 6, 1, 1, 2);
    setSample();
    return group;
}

QWidget* TFP_Edit::buildImageGroup() {
    auto* group = new QGroupBox(QStringLiteral("画面イメージ"));
    auto* layout = new QGridLayout(group);
    ChkStr = checkBox("ChkStr", QStringLiteral("文字枠表示"));
    StrFont = new QSpinBox;
    StrFont->setObjectName(QStringLiteral("StrFont"));
    StrFont->setRange(1, 300);
    StrFont->setValue(25);
    ChkAspect = checkBox("ChkAspect", QStringLiteral("アスペクト比（縦横比）維持"));
    auto* redraw = button("Button12", QStringLiteral("再描画"));
    connect(redraw, &QPushButton::clicked, this, &TFP_Edit::Button12Click);
    DispSize = new QComboBox;
    DispSize->setObjectName(QStringLiteral("DispSize"));
    DispSize->addItems(
        {QStringLiteral("640x480"), QStringLiteral("800x600"), QStringLiteral("1024x768")});
    DispSize->setCurrentIndex(2);
    DispSize->setEnabled(false);

    layout->addWidget(ChkStr, 0, 0);
    layout->addWidget(StrFont, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("pt")), 0, 2);
    layout->addWidget(ChkAspect, 1, 0, 1, 3);
    layout->addWidget(DispSize, 2, 0);
    layout->addWidget(redraw, 2, 1, 1, 2);

    const auto changed = [this] { Q_EMIT previewLayoutChanged(); };
    connect(ChkStr, &QCheckBox::toggled, this, changed);
    connect(StrFont, &QSpinBox::valueChanged, this, changed);
    connect(ChkAspect, &QCheckBox::toggled, this, changed);
    connect(DispSize, &QComboBox::currentIndexChanged, this, changed);
    return group;
}

QWidget* TFP_Edit::buildHint() {
    auto* group = new QGroupBox(QStringLiteral("★ポイント★"));
    auto* text = new QLabel(kHintLines.join(QLatin1Char('\n')));
    text->setObjectName(QStringLiteral("HintText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    (new QVBoxLayout(group))->addWidget(text);
    return group;
}

void TFP_Edit::buildGrid() {
    PartsList_ = new QTableWidget(0, kPartsKeyCount);
    PartsList_->setObjectName(QStringLiteral("PartsList"));
    PartsList_->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    PartsList_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    QHeaderView* rowHeader = PartsList_->verticalHeader();
    rowHeader->setDefaultSectionSize(kRowHeight);
    rowHeader->setSectionResizeMode(QHeaderView::Interactive);
    // Rows are moved by dragging their header: that changes the parts' order.
    rowHeader->setSectionsMovable(true);
    connect(rowHeader, &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) { rowDragged(from, to); });
    PartsList_->setSelectionMode(QAbstractItemView::SingleSelection);
    PartsList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PartsList_, &QWidget::customContextMenuRequested, this, &TFP_Edit::showContextMenu);
    connect(PartsList_, &QTableWidget::cellClicked, this,
            [this](int row, int) { PartsListClick(row + 1); });
    writeTitles();
}

void TFP_Edit::writeTitles() {
    QStringList titles;
    for (const QString& title : kTitles) {
        titles << title;
    }
    PartsList_->setHorizontalHeaderLabels(titles);
}

// ---- the grid as rows ---------------------------------------------------------------------

EditorRows TFP_Edit::rows() const {
    EditorRows out;
    out.reserve(static_cast<std::size_t>(PartsList_->rowCount()));
    for (int row = 0; row < PartsList_->rowCount(); ++row) {
        QByteArrayList cells;
        for (int column = 0; column < kPartsKeyCount; ++column) {
            cells << itemBytes(PartsList_->item(row, column), nullptr);
        }
        out.push_back(cells);
    }
    return out;
}

void TFP_Edit::setRows(const EditorRows& rows) {
    applyRows(rows, 1);
}

void TFP_Edit::applyRows(const EditorRows& rows, int selected) {
    const int column = std::max(PartsList_->currentColumn(), 1);
    PartsList_->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < PartsList_->rowCount(); ++row) {
        const QByteArrayList& cells = rows[static_cast<std::size_t>(row)];
        for (int c = 0; c < kPartsKeyCount; ++c) {
            const QByteArray bytes = cells.value(c);
            QTableWidgetItem* item = PartsList_->item(row, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                if (c == kColId) {
                    // The ID column is fixed: it shows the row's ID but is not edited.
                    item->setFlags(Qt::ItemIsEnabled);
                    item->setBackground(PartsList_->palette().button());
                }
                PartsList_->setItem(row, c, item);
            }
            item->setData(kBytesRole, bytes);
            item->setText(cp932::decode(bytes));
        }
    }
    if (PartsList_->rowCount() > 0) {
        PartsList_->setCurrentCell(std::clamp(selected, 1, PartsList_->rowCount()) - 1, column);
    }
}

int TFP_Edit::selectedRow() const {
    if (PartsList_->rowCount() == 0) {
        return 0;
    }
    return std::max(PartsList_->currentRow(), 0) + 1;
}

void TFP_Edit::selectRow(int r) {
    if (r >= 1 && r <= PartsList_->rowCount()) {
        PartsList_->setCurrentCell(r - 1, std::max(PartsList_->currentColumn(), 1));
    }
}

QByteArray TFP_Edit::cell(int r, int column) const {
    return itemBytes(PartsList_->item(r - 1, column), nullptr);
}

void TFP_Edit::setSelectedRowCell(int column, const QByteArray& text) {
    const int r = selectedRow();
    QTableWidgetItem* item = PartsList_->item(r - 1, column);
    if (item == nullptr) {
        return;
    }
    item->setData(kBytesRole, text);
    item->setText(cp932::decode(text));
}

// Runs a row operation on the grid's rows at the selected row; the operation returns the
// row to select afterwards, or nothing when it does not apply.
template <typename Operation>
void TFP_Edit::onSelectedRow(Operation&& operation) {
    EditorRows current = rows();
    const int r = selectedRow();
    if (const std::optional<int> selected = operation(current, r)) {
        applyRows(current, *selected);
    }
}

// ---- menus ----------------------------------------------------------------------------------

void TFP_Edit::AddPartClick() {
    onSelectedRow([](EditorRows& rows, int r) -> std::optional<int> {
        return addPartRow(rows) ? std::optional(r) : std::nullopt;
    });
}

void TFP_Edit::RemovePartClick() {
    onSelectedRow([](EditorRows& rows, int r) -> std::optional<int> {
        return removeLastPartRow(rows) ? std::optional(r) : std::nullopt;
    });
}

void TFP_Edit::InsertClick() {
    onSelectedRow([](EditorRows& rows, int r) -> std::optional<int> {
        return insertPartRow(rows, r) ? std::optional(r) : std::nullopt;
    });
}

void TFP_Edit::DeleteClick() {
    onSelectedRow([](EditorRows& rows, int r) { return deletePartRow(rows, r); });
}

void TFP_Edit::ClearClick() {
    onSelectedRow([](EditorRows& rows, int r) -> std::optional<int> {
        return clearPartRow(rows, r) ? std::optional(r) : std::nullopt;
    });
}

void TFP_Edit::UpClick() {
    onSelectedRow([](EditorRows& rows, int r) -> std::optional<int> {
        return movePartRowUp(rows, r) ? std::optional(r) : std::nullopt;
    });
}

void TFP_Edit::DownClick() {
    onSelectedRow([](EditorRows& rows, int r) -> std::optional<int> {
        return movePartRowDown(rows, r) ? std::optional(r) : std::nullopt;
    });
}

void TFP_Edit::rowDragged(int fromVisual, int toVisual) {
    // The header's own order goes back to the rows' order; the rows themselves move.
    QHeaderView* header = PartsList_->verticalHeader();
    {
        const QSignalBlocker blocker(header);
        header->moveSection(toVisual, fromVisual);
    }
    EditorRows current = rows();
    if (movePartRow(current, fromVisual + 1, toVisual + 1)) {
        applyRows(current, toVisual + 1);
    }
}

// Pressing any mouse button on a cell selects it first, so the menu acts on the row under
// the mouse.
void TFP_Edit::showContextMenu(const QPoint& at) {
    const QModelIndex index = PartsList_->indexAt(at);
    if (index.isValid()) {
        PartsList_->setCurrentCell(index.row(), index.column());
    }
    PopupMenu1->popup(PartsList_->viewport()->mapToGlobal(at));
}

void TFP_Edit::OpenClick() {
    const QString chosen = dialogs_.openFileName(QString(), kOpenFilter,
                                                 joinBaseDir(settings_.BaseDir(), kDefaultName));
    if (chosen.isEmpty()) {
        return;
    }
    const QString path = withDefaultExtension(chosen);
    if (QFileInfo::exists(path) && !isRegularFile(path)) {
        // A folder or a device is no parts file: the grid stays as it is.
        log_.add(
            QStringLiteral("部品設定ツール：%1 はファイルではないため読み込みません。").arg(path));
        return;
    }
    applyRows(readPartsForEditor(path), 1);
    PartsListExit();
    writeTitles();
}

void TFP_Edit::SaveClick() {
    const QString chosen = dialogs_.saveFileName(kSaveTitle, kSaveFilter,
                                                 joinBaseDir(settings_.BaseDir(), kDefaultName));
    if (chosen.isEmpty()) {
        return;
    }
    int unmappable = 0;
    EditorRows out;
    for (int row = 0; row < PartsList_->rowCount(); ++row) {
        QByteArrayList cells;
        for (int column = 0; column < kPartsKeyCount; ++column) {
            cells << itemBytes(PartsList_->item(row, column), &unmappable);
        }
        out.push_back(cells);
    }
    QString error;
    QString written;
    if (!writePartsFile(chosen, out, &error, &written)) {
        log_.add(QStringLiteral("エラー：%1").arg(error));
        dialogs_.message(QStringLiteral("保存失敗です。"), kSaveCaption,
                         Dialogs::Icon::Information);
        return;
    }
    if (unmappable > 0) {
        reportUnmappable(written, unmappable);
    }
    dialogs_.message(QStringLiteral("保存しました"), kSaveCaption, Dialogs::Icon::Information);
}

void TFP_Edit::reportUnmappable(const QString& path, int count) {
    dialogs_.message(QStringLiteral("%1 に保存しましたが、シフトJISで表せない文字 %2 個を"
                                    "「?」に置き換えました。")
                         .arg(path)
                         .arg(count),
                     kSaveCaption, Dialogs::Icon::Warning);
}

void TFP_Edit::ShowImageClick() {
    Q_EMIT showToolRequested(QStringLiteral("TRE_Disp"));
}

void TFP_Edit::LoadImageClick() {
    Q_EMIT showToolRequested(QStringLiteral("TRE_Disp"));
    const QString path = dialogs_.openFileName(kPictureTitle, kPictureFilter);
    if (path.isEmpty()) {
        return;
    }
    if (!isRegularFile(path)) {
        log_.add(
            QStringLiteral("画面イメージ：%1 はファイルではないため読み込みません。").arg(path));
        return;
    }
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
        log_.add(QStringLiteral("画面イメージ：%1 は大きすぎるため読み込みません。").arg(path));
        return;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        log_.add(QStringLiteral("画面イメージ：%1 を読み込めません（%2）。")
                     .arg(path, reader.errorString()));
        return;
    }
    // A plain bitmap, so that the parts can be drawn on it. The picture is read once; every
    // redraw starts again from it, which erases the earlier drawings.
    loadedPicture_ = image.convertToFormat(QImage::Format_RGB32);
    pictureFile_ = path;
    PartsListExit();
}

// ---- preview ------------------------------------------------------------------------------

int TFP_Edit::displaySizeChoice() const {
    return DispSize->currentIndex();
}

bool TFP_Edit::stripShown() const {
    return ChkStr->isChecked();
}

int TFP_Edit::stripFontSize() const {
    return StrFont->value();
}

bool TFP_Edit::keepAspect() const {
    return ChkAspect->isChecked();
}

QImage TFP_Edit::basePicture() const {
    if (!loadedPicture_.isNull()) {
        return loadedPicture_;
    }
    return neutralPicture(previewScreenSize(displaySizeChoice(), {1024, 768}));
}

void TFP_Edit::Button12Click() {
    PartsListExit();
}

void TFP_Edit::PartsListExit() {
    EditorRows current = rows();
    const EditorRows before = current;
    fillEmptyNumberCells(current);
    if (current != before) {
        applyRows(current, selectedRow());
    }
    picture_ = basePicture();
    drawPartRectangles(picture_, current);
    Q_EMIT previewPictureChanged();
}

// ---- appearance panel ---------------------------------------------------------------------

void TFP_Edit::PartsListClick(int r) {
    if (r < 1 || r > PartsList_->rowCount()) {
        return;
    }
    Label1->setText(cp932::decode(cell(r, kColFont)));
    Label2->setText(cp932::decode(cell(r, kColFontColour)));
    Label4->setText(cp932::decode(cell(r, kColFontSize)));
    Label3->setText(cp932::decode(cell(r, kColBackColour)));
    CheckBox1->setChecked(editorSaysYes(cell(r, kColThrough)));
    CheckBox2->setChecked(editorSaysYes(cell(r, kColAutoSize)));
    CheckBox3->setChecked(editorSaysYes(cell(r, kColLock)));
    setSample();
}

// The sample shows the panel's font, size and colours. A size or colour that is not a number
// (a hand-made file) leaves that property of the sample as it was, with a log line.
void TFP_Edit::setSample() {
    QStringList notNumbers;
    QFont font = Sample->font();
    font.setFamily(Label1->text());
    if (const auto size = cellNumber(cp932::encode(Label4->text()))) {
        font.setPointSize(std::clamp(*size, 1, 300));
    } else {
        notNumbers << QStringLiteral("フォントサイズ「%1」").arg(Label4->text());
    }
    Sample->setFont(font);
    QPalette palette = Sample->palette();
    const struct {
        QLabel* label;
        QPalette::ColorRole role;
        QString what;
    } colours[] = {{Label2, QPalette::WindowText, QStringLiteral("フォント色")},
                   {Label3, QPalette::Window, QStringLiteral("背景色")}};
    for (const auto& c : colours) {
        if (const auto value = parseInteger(cp932::encode(c.label->text()))) {
            palette.setColor(c.role, toQColor(*value));
        } else {
            notNumbers << QStringLiteral("%1「%2」").arg(c.what, c.label->text());
        }
    }
    Sample->setPalette(palette);
    if (!notNumbers.isEmpty()) {
        log_.add(QStringLiteral("部品設定ツール：%1 が数値ではないため、サンプルに反映できません。")
                     .arg(notNumbers.join(QStringLiteral("、"))));
    }
}

void TFP_Edit::Button5Click() {
    QFont initial(Label1->text());
    if (const auto size = cellNumber(cp932::encode(Label4->text()))) {
        initial.setPointSize(std::clamp(*size, 1, 300));
    }
    // A cancelled dialog changes nothing.
    if (const auto chosen = dialogs_.font(initial, false)) {
        Label1->setText(chosen->family());
        Label4->setText(QString::number(chosen->pointSize()));
        setSample();
    }
}

void TFP_Edit::setColourLabel(QLabel* label) {
    const auto current = parseInteger(cp932::encode(label->text()));
    // A cancelled dialog changes nothing.
    if (const auto chosen = dialogs_.color(toQColor(current.value_or(kColorBlack)))) {
        label->setText(QString::number(fromQColor(*chosen)));
        setSample();
    }
}

void TFP_Edit::Button6Click() {
    setColourLabel(Label2);
}

void TFP_Edit::Button7Click() {
    setColourLabel(Label3);
}

void TFP_Edit::Button8Click() {
    if (selectedRow() < 1) {
        return;
    }
    const auto yesNo = [](const QCheckBox* box) {
        return box->isChecked() ? kEditorYes : kEditorNo;
    };
    setSelectedRowCell(kColFont, cp932::encode(Label1->text()));
    setSelectedRowCell(kColFontColour, cp932::encode(Label2->text()));
    setSelectedRowCell(kColFontSize, cp932::encode(Label4->text()));
    setSelectedRowCell(kColBackColour, cp932::encode(Label3->text()));
    setSelectedRowCell(kColThrough, yesNo(CheckBox1));
    setSelectedRowCell(kColAutoSize, yesNo(CheckBox2));
    setSelectedRowCell(kColLock, yesNo(CheckBox3));
}

void TFP_Edit::Button9Click() {
    Q_EMIT showToolRequested(QStringLiteral("TPosView"));
}

}  // namespace zul
