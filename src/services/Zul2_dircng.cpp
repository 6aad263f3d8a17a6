#include "services/Zul2_dircng.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "model/debug_log.h"
#include "platform/cp932.h"
#include "protocol/packets.h"

namespace zul {
namespace {

constexpr Qt::WindowFlags kWindowFlags = Qt::Dialog | Qt::WindowStaysOnTopHint;

QLabel* caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

TDirChange::TDirChange(OperatorChannel channel, DebugLog& log, QWidget* parent)
    : QWidget(parent, kWindowFlags), channel_(std::move(channel)), log_(log) {
    setObjectName(QStringLiteral("DirChange"));
    setWindowTitle(QStringLiteral("基本ディレクトリ変更"));

    passwd_ = new QLineEdit;
    passwd_->setObjectName(QStringLiteral("Passwd"));
    path_ = new QComboBox;
    path_->setObjectName(QStringLiteral("path"));
    path_->setEditable(true);
    path_->setInsertPolicy(QComboBox::NoInsert);
    change_ = new QPushButton(QStringLiteral("変更指示"));
    change_->setObjectName(QStringLiteral("Button1"));
    connect(change_, &QPushButton::clicked, this, &TDirChange::Button1Click);

    auto* layout = new QGridLayout(this);
    layout->addWidget(caption(QStringLiteral("変更用の鍵"), passwd_), 0, 0);
    layout->addWidget(passwd_, 0, 1);
    layout->addWidget(caption(QStringLiteral("変更先ディレクトリ"), path_), 1, 0);
    layout->addWidget(path_, 1, 1);
    layout->addWidget(change_, 2, 1, Qt::AlignRight);
    layout->setColumnStretch(1, 1);
    setFixedSize(kClientWidth, kClientHeight);
}

void TDirChange::addFolder(const QByteArray& folder) {
    path_->addItem(cp932::decode(folder));
}

void TDirChange::clearFolders() {
    const QString typed = path_->currentText();
    path_->clear();
    path_->setEditText(typed);
}

QByteArray TDirChange::keyField() const {
    int unmappable = 0;
    QByteArray bytes = packetField(passwd_->text(), &unmappable);
    if (unmappable > 0) {
        log_.add(
            QStringLiteral("変更用の鍵にShift_JISで表せない文字があり、「?」に置き換えて送ります"));
    }
    return bytes;
}

QByteArray TDirChange::folderField() const {
    const QString folder = path_->currentText();
    int unmappable = 0;
    QByteArray bytes = packetField(folder, &unmappable);
    if (unmappable > 0) {
        log_.add(
            QStringLiteral(
                "変更先ディレクトリにShift_JISで表せない文字があり、「?」に置き換えて送ります: %1")
                .arg(folder));
    }
    return bytes;
}

void TDirChange::Button1Click() {
    hide();
    if (!channel_.canSend()) {
        return;
    }
    const QByteArray key = keyField();
    const QByteArray folder = folderField();
    channel_.send(makePacket(Cmd::CmdDirChange, key + ',' + folder));
}

}  // namespace zul
