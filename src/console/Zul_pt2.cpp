#include "console/Zul_pt2.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <utility>

#include "console/online_status.h"
#include "platform/dialogs.h"

namespace zul {
namespace {

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLineEdit* lineEdit(const char* name, const QString& text) {
    auto* e = new QLineEdit(text);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QSpinBox* scoreSpin(const char* name) {
    auto* s = new QSpinBox;
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(0, kMaxScore);
    s->setValue(0);
    return s;
}

}  // namespace

Tzul_pb_main::Tzul_pb_main(OperatorChannel channel, Dialogs& dialogs, DebugLog& log,
                           QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      channel_(std::move(channel)),
      dialogs_(dialogs),
      log_(log) {
    setObjectName(QStringLiteral("zul_pb_main"));
    setWindowTitle(QStringLiteral("バスケット得点板操作"));
    build();
}

void Tzul_pb_main::build() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* layout = new QGridLayout(client);

    ID = new QComboBox;
    ID->setObjectName(QStringLiteral("ID"));
    for (int court = 1; court <= kCourtCount; ++court) {
        ID->addItem(QStringLiteral("コートNo%1").arg(court));
    }
    ID->setCurrentIndex(0);
    Edit3 = lineEdit("Edit3", QStringLiteral("コート名"));
    layout->addWidget(ID, 0, 0);
    layout->addWidget(Edit3, 0, 1, 1, 3);

    const auto side = [this, layout](int row, const QString& title, QLineEdit* name,
                                     QSpinBox* score, BoardField field,
                                     std::array<const char*, 3> buttons) {
        auto* box = new QGroupBox(title);
        auto* grid = new QGridLayout(box);
        grid->addWidget(name, 0, 0, 1, 3);
        grid->addWidget(score, 1, 0, 1, 3);
        const std::array<QString, 3> captions{QStringLiteral("１"), QStringLiteral("２"),
                                              QStringLiteral("３")};
        for (int i = 0; i < 3; ++i) {
            QPushButton* b = button(buttons[i], captions[i], box);
            grid->addWidget(b, 2, i);
            connect(b, &QPushButton::clicked, this,
                    [this, field, points = i + 1] { pointClick(field, points); });
        }
        layout->addWidget(box, 1, row * 2, 1, 2);
    };
    Edit1 = lineEdit("Edit1", QStringLiteral("先攻"));
    CSpinEdit1 = scoreSpin("CSpinEdit1");
    Edit2 = lineEdit("Edit2", QStringLiteral("後攻"));
    CSpinEdit2 = scoreSpin("CSpinEdit2");
    side(0, QStringLiteral("先攻"), Edit1, CSpinEdit1, BoardField::FirstScore,
         {"Button1", "Button2", "Button3"});
    side(1, QStringLiteral("後攻"), Edit2, CSpinEdit2, BoardField::SecondScore,
         {"Button4", "Button5", "Button6"});

    QPushButton* swap = button("Button10", QStringLiteral("先後攻入れ替え"), client);
    QPushButton* all = button("Button9", QStringLiteral("一括送信"), client);
    QPushButton* onOff = button("Button8", QStringLiteral("オンライン・オフライン"), client);
    QPushButton* quit = button("Button7", QStringLiteral("終了"), client);
    layout->addWidget(swap, 2, 0, 1, 2);
    layout->addWidget(all, 2, 2, 1, 2);
    layout->addWidget(onOff, 3, 0, 1, 2);
    layout->addWidget(quit, 3, 2, 1, 2);
    connect(swap, &QPushButton::clicked, this, &Tzul_pb_main::Button10Click);
    connect(all, &QPushButton::clicked, this, &Tzul_pb_main::Button9Click);
    connect(onOff, &QPushButton::clicked, this, &Tzul_pb_main::Button8Click);
    connect(quit, &QPushButton::clicked, this, &QWidget::close);

    StatusBar1 = new OnlineStatusBar(this);
    setStatusBar(StatusBar1);

    // Every change of a box is sent, keystroke by keystroke; the court alone sends nothing.
    connect(CSpinEdit1, &QSpinBox::valueChanged, this,
            [this] { sendField(BoardField::FirstScore); });
    connect(CSpinEdit2, &QSpinBox::valueChanged, this,
            [this] { sendField(BoardField::SecondScore); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { sendField(BoardField::FirstName); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { sendField(BoardField::SecondName); });
    connect(Edit3, &QLineEdit::textChanged, this, [this] { sendField(BoardField::CourtName); });
}

bool Tzul_pb_main::online() const {
    return StatusBar1->online();
}

QSpinBox* Tzul_pb_main::scoreBox(BoardField field) const {
    return field == BoardField::FirstScore ? CSpinEdit1 : CSpinEdit2;
}

QLineEdit* Tzul_pb_main::textBox(BoardField field) const {
    switch (field) {
        case BoardField::FirstName:
            return Edit1;
        case BoardField::SecondName:
            return Edit2;
        default:
            return Edit3;
    }
}

int Tzul_pb_main::court() const {
    return courtNumber(ID->currentIndex());
}

void Tzul_pb_main::pointClick(BoardField score, int points) {
    QSpinBox* box = scoreBox(score);
    box->setValue(addPoints(box->value(), points));
}

void Tzul_pb_main::Button10Click() {
    const BoardSides sides{CSpinEdit1->value(), CSpinEdit2->value(), Edit1->text(), Edit2->text()};
    for (const BoardAssignment& a : swapAssignments(sides)) {
        if (a.field == BoardField::FirstScore || a.field == BoardField::SecondScore) {
            scoreBox(a.field)->setValue(a.score);
        } else {
            textBox(a.field)->setText(a.text);
        }
    }
}

void Tzul_pb_main::Button9Click() {
    if (!StatusBar1->readyToSendAll(dialogs_)) {
        return;
    }
    for (const BoardField field : kSendAllOrder) {
        sendNow(field);
    }
}

void Tzul_pb_main::Button8Click() {
    StatusBar1->toggle();
}

void Tzul_pb_main::sendField(BoardField field) {
    if (online()) {
        sendNow(field);
    }
}

void Tzul_pb_main::sendNow(BoardField field) {
    if (field == BoardField::FirstScore || field == BoardField::SecondScore) {
        channel_.send(scorePacket(field, court(), scoreBox(field)->value()));
        return;
    }
    channel_.send(namePacket(field, court(), typedField(textBox(field)->text(), log_)));
}

}  // namespace zul
