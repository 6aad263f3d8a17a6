#include "console/Zul2_rsend.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "console/script_editor.h"
#include "model/debug_log.h"
#include "platform/cp932.h"
#include "protocol/packets.h"

namespace zul {
namespace {

// The names as they arrived, so that a chosen name goes back byte for byte.
constexpr int kBytesRole = Qt::UserRole;

// Hands the key presses and releases of one widget to a function; it returns true for a
// key it used up.
class KeyFilter : public QObject {
public:
    using Handler = std::function<bool(QEvent::Type, const QKeyEvent&)>;

    KeyFilter(QWidget* watched, Handler handler) : QObject(watched), handler_(std::move(handler)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            return handler_(event->type(), *static_cast<QKeyEvent*>(event));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Handler handler_;
};

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

Tzul_rsend::Tzul_rsend(OperatorChannel channel, Dialogs& dialogs, DebugLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), channel_(std::move(channel)), log_(log) {
    setObjectName(QStringLiteral("zul_rsend"));
    setWindowTitle(QStringLiteral("変更を連続送信"));
    auto* layout = new QVBoxLayout(this);

    auto* nameGroup = new QGroupBox(QStringLiteral("変更指示する部品名"));
    auto* nameLayout = new QVBoxLayout(nameGroup);
    names_ = new QComboBox;
    names_->setObjectName(QStringLiteral("ComboBox1"));
    names_->setEditable(true);
    names_->setInsertPolicy(QComboBox::NoInsert);
    nameLayout->addWidget(names_);
    layout->addWidget(nameGroup);

    memo_ = new QPlainTextEdit;
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setMinimumSize(420, 260);
    layout->addWidget(memo_);
    new KeyFilter(memo_, [this](QEvent::Type type, const QKeyEvent& key) {
        return memoKey(type, key.key());
    });

    auto* row = new QGridLayout;
    queueJump_ = new QComboBox;
    queueJump_->setObjectName(QStringLiteral("QueJump"));
    queueJump_->setEditable(false);
    queueJump_->setMinimumWidth(200);
    // Typing into the jump list opens it.
    new KeyFilter(queueJump_, [this](QEvent::Type type, const QKeyEvent& key) {
        if (type == QEvent::KeyPress && !key.text().isEmpty() && key.text().at(0).isPrint()) {
            queueJump_->showPopup();
        }
        return false;
    });
    auto* jumpLabel = new QLabel(QStringLiteral("キュージャンプ"));
    jumpLabel->setBuddy(queueJump_);
    row->addWidget(jumpLabel, 0, 0);
    row->addWidget(queueJump_, 0, 1);
    script_ = new ScriptEditor(memo_, queueJump_, dialogs, log);

    QPushButton* load = button("Button1", QStringLiteral("読込"));
    QPushButton* save = button("Button2", QStringLiteral("保存"));
    QPushButton* clear = button("Button3", QStringLiteral("クリア"));
    row->addWidget(load, 0, 2);
    row->addWidget(save, 0, 3);
    row->addWidget(clear, 0, 4);
    connect(load, &QPushButton::clicked, script_, &ScriptEditor::load);
    connect(save, &QPushButton::clicked, script_, &ScriptEditor::save);
    connect(clear, &QPushButton::clicked, memo_, &QPlainTextEdit::clear);
    layout->addLayout(row);
    layout->addWidget(new QLabel(QStringLiteral("★データ送信はＦ２キーでおこないます。")));

    setFixedSize(sizeHint());
}

void Tzul_rsend::setPartNames(const QByteArrayList& names, bool show) {
    const QString typed = names_->currentText();
    names_->clear();
    for (const QByteArray& name : names) {
        names_->addItem(cp932::decode(name), name);
    }
    if (names.isEmpty() || (!show && !typed.isEmpty())) {
        names_->setCurrentIndex(names_->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive));
        names_->setEditText(typed);
    } else {
        names_->setCurrentIndex(0);
    }
    if (show) {
        this->show();
        raise();
        activateWindow();
    }
}

bool Tzul_rsend::memoKey(QEvent::Type type, int key) {
    if (key != Qt::Key_F2) {
        return false;
    }
    if (type == QEvent::KeyPress) {
        sendCaretLine();
    }
    return true;
}

QByteArray Tzul_rsend::partName() const {
    const QString text = names_->currentText();
    const int index = names_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        // A line feed would end the packet early.
        return names_->itemData(index, kBytesRole).toByteArray().replace('\n', ' ');
    }
    int unmappable = 0;
    QByteArray bytes = packetField(text, &unmappable);
    if (unmappable > 0) {
        log_.add(
            QStringLiteral("部品名にシフトJISで表せない文字があり、「?」に置き換えて送ります: %1")
                .arg(text));
    }
    return bytes;
}

void Tzul_rsend::sendCaretLine() {
    if (const auto line = script_->caretLineToSend()) {
        channel_.send(makePacket(Cmd::CmdPartUpdate, partName() + ',' + *line + ",,"));
    }
    script_->stepToNextLine();
}

}  // namespace zul
