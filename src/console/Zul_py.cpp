#include "console/Zul_py.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <utility>

#include "console/online_status.h"
#include "console/scoreboard.h"

namespace zul {
namespace {

constexpr int kInnings = 13;
constexpr int kTableRows = 3;
constexpr int kColumnWidth = 40;

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

Tzul_py_main::Tzul_py_main(OperatorChannel channel, Dialogs& dialogs, DebugLog& log,
                           QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      channel_(std::move(channel)),
      dialogs_(dialogs),
      log_(log) {
    setObjectName(QStringLiteral("zul_py_main"));
    setWindowTitle(QStringLiteral("野球得点板"));
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* layout = new QGridLayout(client);

    Edit1 = new QLineEdit(QStringLiteral("先攻"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(QStringLiteral("後攻"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    layout->addWidget(Edit1, 0, 0);
    layout->addWidget(Edit2, 1, 0);

    // The score table: a fixed heading row, nothing editable.
    PointList = new QTableWidget(kTableRows, kInnings);
    PointList->setObjectName(QStringLiteral("PointList"));
    PointList->horizontalHeader()->hide();
    PointList->verticalHeader()->hide();
    PointList->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    PointList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int column = 0; column < kInnings; ++column) {
        auto* heading = new QTableWidgetItem;
        heading->setFlags(Qt::ItemIsEnabled);
        heading->setBackground(PointList->palette().button());
        PointList->setItem(0, column, heading);
    }
    layout->addWidget(PointList, 0, 1, 2, 1);

    auto* pitch = new QGroupBox(QStringLiteral("送球状態"));
    auto* pitchRow = new QHBoxLayout(pitch);
    pitchRow->addWidget(button("Button1", QStringLiteral("ストライク")));
    pitchRow->addWidget(button("Button2", QStringLiteral("ボール")));
    pitchRow->addWidget(button("Button3", QStringLiteral("アウト")));
    layout->addWidget(pitch, 2, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    QPushButton* all = button("Button9", QStringLiteral("一括送信"));
    QPushButton* onOff = button("Button8", QStringLiteral("オンライン・オフライン"));
    QPushButton* quit = button("Button7", QStringLiteral("終了"));
    buttons->addWidget(all);
    buttons->addWidget(onOff);
    buttons->addWidget(quit);
    layout->addLayout(buttons, 3, 0, 1, 2);
    connect(all, &QPushButton::clicked, this, &Tzul_py_main::sendAllClick);
    connect(onOff, &QPushButton::clicked, this, &Tzul_py_main::onlineClick);
    connect(quit, &QPushButton::clicked, this, &QWidget::close);

    StatusBar1 = new OnlineStatusBar(this);
    setStatusBar(StatusBar1);
}

bool Tzul_py_main::online() const {
    return StatusBar1->online();
}

void Tzul_py_main::sendAllClick() {
    if (!StatusBar1->readyToSendAll(dialogs_)) {
        return;
    }
    channel_.send(baseballNamePacket(true, typedField(Edit1->text(), log_)));
    channel_.send(baseballNamePacket(false, typedField(Edit2->text(), log_)));
}

void Tzul_py_main::onlineClick() {
    StatusBar1->toggle();
}

}  // namespace zul
