#include "services/Zul2_ezfrm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "model/peer_list.h"
#include "model/settings.h"
#include "platform/dialogs.h"

namespace zul {
namespace {

constexpr Qt::WindowFlags kWindowFlags = Qt::Dialog | Qt::WindowStaysOnTopHint;

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// The display machines among the peers: "[S]" entries run their display role, "[W]" ones
// are waiting to start it.
QStringList displayMachines(const QStringList& entries) {
    QStringList hosts;
    for (const QString& entry : entries) {
        if (entry.startsWith(QLatin1String("[S]"), Qt::CaseInsensitive) ||
            entry.startsWith(QLatin1String("[W]"), Qt::CaseInsensitive)) {
            hosts << entry.mid(3);
        }
    }
    return hosts;
}

}  // namespace

TEasyZUL::TEasyZUL(Settings& settings, Dialogs& dialogs, const PeerList& peers, QWidget* parent)
    : QWidget(parent, kWindowFlags), settings_(settings), dialogs_(dialogs), peers_(peers) {
    setObjectName(QStringLiteral("EasyZUL"));
    setWindowTitle(QStringLiteral("サーバセットアップウィザード"));

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    const struct {
        const char* name;
        QString caption;
        QWidget* content;
    } pages[] = {
        {"TabSheet1", QStringLiteral("はじめに"),
         page({QStringLiteral("ZULサーバセットアップウィザードへようこそ。"),
               QStringLiteral("このウィザードではサーバの設定を簡易的におこないます。")},
              nullptr, nextButton("Button1", 1))},
        {"TabSheet2", QStringLiteral("基本ディレクトリ"), buildBaseDirPage()},
        {"Pmirror", QStringLiteral("パケットミラー"), buildMirrorPage()},
        {"Saver", QStringLiteral("保存"), buildSavePage()},
        {"RunSrv", QStringLiteral("起動"), buildRunPage()},
    };
    for (const auto& p : pages) {
        p.content->setObjectName(QString::fromLatin1(p.name));
        PageControl1->addTab(p.content, p.caption);
    }

    peerMenu_ = new QMenu(this);
    peerMenu_->setObjectName(QStringLiteral("PeerMenu"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* TEasyZUL::nextButton(const char* name, int next) {
    auto* b = button(name, QStringLiteral("次へ"));
    connect(b, &QPushButton::clicked, this, [this, next] { PageControl1->setCurrentIndex(next); });
    return b;
}

QWidget* TEasyZUL::page(const QStringList& lines, QWidget* content, QPushButton* next) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    for (const QString& line : lines) {
        layout->addWidget(new QLabel(line));
    }
    if (content != nullptr) {
        layout->addWidget(content);
    }
    layout->addStretch(1);
    if (next != nullptr) {
        layout->addWidget(next, 0, Qt::AlignRight);
    }
    return widget;
}

QWidget* TEasyZUL::buildBaseDirPage() {
    auto* group = new QGroupBox(QStringLiteral("基本ディレクトリ"));
    group->setToolTip(QStringLiteral("ファイル類がおいてあるフォルダを選んでください。"));
    BaseDir_ = new QLineEdit(QStringLiteral("c:\\"));
    BaseDir_->setObjectName(QStringLiteral("BaseDir"));
    BaseDir_->setMinimumWidth(320);
    connect(BaseDir_, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings_.BaseDir.set(text); });
    auto* choose = button("Button2", QStringLiteral("選択する"));
    connect(choose, &QPushButton::clicked, this, &TEasyZUL::Button2Click);
    auto* row = new QHBoxLayout(group);
    row->addWidget(BaseDir_, 1);
    row->addWidget(choose);
    return page({QStringLiteral("基本ディレクトリとは、表示ファイルがあるフォルダのことです。"),
                 QStringLiteral("（HTMLやTXTなど）　選択するを押して選んでください。")},
                group, nextButton("Button3", 2));
}

QWidget* TEasyZUL::buildMirrorPage() {
    auto* group = new QGroupBox(QStringLiteral("情報の補償補助（ミラーリング）"));
    MirrorName_ = new QLineEdit(QStringLiteral("localhost"));
    MirrorName_->setObjectName(QStringLiteral("MirrorName"));
    connect(MirrorName_, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings_.MirrorName.set(text); });
    MirrorSel_ = new QCheckBox(QStringLiteral("パケットミラーをおこなう"));
    MirrorSel_->setObjectName(QStringLiteral("MirrorSel"));
    // A click and the space key both change the box; either way its state goes to the hub.
    connect(MirrorSel_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.MirrorSel.set(on); });
    auto* pick = button("MS_select", QStringLiteral("PC選択"));
    connect(pick, &QPushButton::clicked, this, &TEasyZUL::MS_selectClick);
    MirrorPort_ = new QSpinBox;
    MirrorPort_->setObjectName(QStringLiteral("MirrorPort"));
    MirrorPort_->setRange(0, 65535);
    MirrorPort_->setValue(30000);
    connect(MirrorPort_, &QSpinBox::valueChanged, this,
            [this](int port) { settings_.MirrorPort.set(port); });

    auto* layout = new QVBoxLayout(group);
    layout->addWidget(MirrorSel_);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("サーバ：ポート")));
    row->addWidget(MirrorName_, 1);
    row->addWidget(MirrorPort_);
    row->addWidget(pick);
    layout->addLayout(row);
    return page({QStringLiteral("パケットミラーとは２台以上のサーバを同期させることをいいます。"),
                 QStringLiteral(
                     "設定を適切におこなえば、常に表示機とおなじ画面のサーバを数台作成できます。")},
                group, nextButton("Button6", 3));
}

QWidget* TEasyZUL::buildSavePage() {
    auto* save = button("Button4", QStringLiteral("保存"));
    connect(save, &QPushButton::clicked, this, &TEasyZUL::Button4Click);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->addWidget(save);
    layout->addStretch(1);
    return page({QStringLiteral("以上で簡易設定は終了です。"),
                 QStringLiteral("設定を保存するには　保存ボタンをおしてください。")},
                row, nextButton("Button5", 4));
}

QWidget* TEasyZUL::buildRunPage() {
    auto* run = button("Button7", QStringLiteral("起動する"));
    connect(run, &QPushButton::clicked, this, &TEasyZUL::Button7Click);
    auto* done = button("Button8", QStringLiteral("設定終わり"));
    connect(done, &QPushButton::clicked, this, &TEasyZUL::Button8Click);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->addWidget(run);
    layout->addWidget(done);
    layout->addStretch(1);
    return page({QStringLiteral("それではサーバを起動します。")}, row, nullptr);
}

void TEasyZUL::Button1Click() {
    PageControl1->setCurrentIndex(1);
}

void TEasyZUL::Button3Click() {
    PageControl1->setCurrentIndex(2);
}

void TEasyZUL::Button6Click() {
    PageControl1->setCurrentIndex(3);
}

void TEasyZUL::Button5Click() {
    PageControl1->setCurrentIndex(4);
}

void TEasyZUL::Button2Click() {
    const QString folder = dialogs_.folder(QString(), BaseDir_->text());
    // A cancelled picker changes nothing.
    if (!folder.isEmpty()) {
        BaseDir_->setText(folder);
    }
}

void TEasyZUL::fillPeerMenu() {
    peerMenu_->clear();
    const QStringList hosts = displayMachines(peers_.entries());
    for (const QString& host : hosts) {
        connect(peerMenu_->addAction(host), &QAction::triggered, this,
                [this, host] { MirrorName_->setText(host); });
    }
    if (hosts.isEmpty()) {
        peerMenu_->addAction(QStringLiteral("（表示機が見つかりません）"))->setEnabled(false);
    }
}

// The display machines that discovery found are offered; choosing one puts its name into
// the box, and closing the menu without a choice changes nothing.
void TEasyZUL::MS_selectClick() {
    fillPeerMenu();
    auto* pick = findChild<QPushButton*>(QStringLiteral("MS_select"));
    peerMenu_->popup(pick->mapToGlobal(QPoint(0, pick->height())));
}

void TEasyZUL::Button4Click() {
    Q_EMIT saveRequested();
}

void TEasyZUL::Button7Click() {
    hide();
    Q_EMIT hubRequested();
    Q_EMIT startDisplayRequested();
}

void TEasyZUL::Button8Click() {
    hide();
    Q_EMIT hubRequested();
}

// The window's close box ends the wizard as "設定終わり" does: the hub form was hidden when
// the wizard came up and must come back.
void TEasyZUL::closeEvent(QCloseEvent* event) {
    event->accept();
    Q_EMIT hubRequested();
}

}  // namespace zul
