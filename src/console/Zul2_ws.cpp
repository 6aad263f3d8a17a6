#include "console/Zul2_ws.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableView>

#include "model/worksheet.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/file_extension.h"
#include "protocol/connection.h"
#include "protocol/packets.h"

namespace zul {
namespace {

const QString kCaption = QStringLiteral("ＺＵＬワークシート");
const QString kOpenFilter =
    QStringLiteral("カンマ区切りファイル(*.csv)|*.csv|すべてのファイル(*.*)|*.*");
const QString kSaveFilter = QStringLiteral("カンマ区切りファイル(*.csv)|*.csv");
const QString kDefaultName = QStringLiteral("default");
const QString kOpenTitle = QStringLiteral("開く");
const QString kSaveTitle = QStringLiteral("名前を付けて保存");

constexpr int kDataRows = Worksheet::kRows - 1;
constexpr int kDataColumns = Worksheet::kColumns - 1;

// The worksheet's data cells (column 1.., row 1..) as a table, with its heading row and
// column as the table's headers. Edits go into the worksheet; its changes reach the views.
class WorksheetTableModel : public QAbstractTableModel {
public:
    WorksheetTableModel(Worksheet& worksheet, QObject* parent)
        : QAbstractTableModel(parent), worksheet_(worksheet) {
        connect(&worksheet_, &Worksheet::changed, this, &WorksheetTableModel::rowChanged);
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : kDataRows;
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : kDataColumns;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
            return {};
        }
        return cp932::decode(worksheet_.cell(index.column() + 1, index.row() + 1));
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole) {
            return false;
        }
        worksheet_.setCell(index.column() + 1, index.row() + 1, cp932::encode(value.toString()));
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) {
            return QAbstractTableModel::headerData(section, orientation, role);
        }
        const QByteArray& text = orientation == Qt::Horizontal ? worksheet_.cell(section + 1, 0)
                                                               : worksheet_.cell(0, section + 1);
        return cp932::decode(text);
    }

private:
    void rowChanged(int row) {
        if (row == 0) {
            emit headerDataChanged(Qt::Horizontal, 0, kDataColumns - 1);
            return;
        }
        emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
        emit dataChanged(index(row - 1, 0), index(row - 1, kDataColumns - 1));
    }

    Worksheet& worksheet_;
};

}  // namespace

Tzul_ws::Tzul_ws(Worksheet& worksheet, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), worksheet_(worksheet), dialogs_(dialogs) {
    setWindowTitle(kCaption);
    createMenus();

    auto* client = new QWidget(this);
    setCentralWidget(client);

    Sheet = new QTableView(client);
    Sheet->setObjectName(QStringLiteral("Sheet"));
    Sheet->setModel(new WorksheetTableModel(worksheet_, Sheet));
    Sheet->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Sheet->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Sheet->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Sheet->horizontalHeader()->setDefaultSectionSize(64);
    Sheet->verticalHeader()->setDefaultSectionSize(24);

    pg = new QProgressBar(client);
    pg->setObjectName(QStringLiteral("pg"));
    pg->setRange(0, 100);
    pg->setValue(0);

    resize(725, 531);
    layOut();
}

void Tzul_ws::createMenus() {
    const auto add = [this](QMenu* menu, const QString& text, void (Tzul_ws::*handler)()) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, handler);
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    add(file, QStringLiteral("読み込み(&L)"), &Tzul_ws::loadClick);
    add(file, QStringLiteral("保存（&S)"), &Tzul_ws::saveClick);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    add(edit, QStringLiteral("表をクリア(&A)"), &Tzul_ws::clearClick);
    QMenu* link = menuBar()->addMenu(QStringLiteral("通信(&X)"));
    add(link, QStringLiteral("表示機へ送信(&T)"), &Tzul_ws::sendClick);
    add(link, QStringLiteral("表示機から受信(&R)"), &Tzul_ws::receiveClick);
}

void Tzul_ws::showEvent(QShowEvent* event) {
    worksheet_.writeHeadings();
    QMainWindow::showEvent(event);
}

void Tzul_ws::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layOut();
}

// The grid fills the window but for a margin at the right and room for the progress bar
// below it.
void Tzul_ws::layOut() {
    const int w = width() - 16;
    const int top = height() - 82;
    Sheet->setGeometry(0, 0, w, top);
    pg->setGeometry(0, top, w, 30);
}

void Tzul_ws::LoadWorksheet(const QString& path) {
    worksheet_.loadFile(path, [] { QCoreApplication::processEvents(); });
}

void Tzul_ws::loadClick() {
    const QString path = dialogs_.openFileName(kOpenTitle, kOpenFilter, kDefaultName);
    if (!path.isEmpty()) {
        LoadWorksheet(path);
    }
}

void Tzul_ws::saveClick() {
    const QString path = dialogs_.saveFileName(kSaveTitle, kSaveFilter, kDefaultName);
    if (path.isEmpty()) {
        return;
    }
    // A save that fails is reported, so the user does not take the data for saved.
    QString error;
    if (!worksheet_.saveFile(path, &error)) {
        dialogs_.message(QStringLiteral("ワークシートを保存できませんでした。\n%1\n%2")
                             .arg(replaceExtension(path, u".csv"), error),
                         kSaveTitle, Dialogs::Icon::Error);
    }
}

void Tzul_ws::clearClick() {
    worksheet_.clear();
}

void Tzul_ws::sendClick() {
    if (connection_ == nullptr) {
        return;
    }
    pg->setMaximum(Worksheet::kRows);
    for (int row = 1; row < Worksheet::kRows; ++row) {
        pg->setValue(row);
        connection_->send(makePacket(Cmd::CmdWorksheetSend,
                                     QByteArray::number(row) + ' ' + worksheet_.rowCommaText(row)));
    }
}

void Tzul_ws::receiveClick() {
    if (connection_ != nullptr) {
        connection_->send(makePacket(Cmd::CmdWorksheetReceive));
    }
}

void Tzul_ws::showProgress(int position) {
    pg->setMaximum(Worksheet::kRows);
    pg->setValue(position);
}

}  // namespace zul
