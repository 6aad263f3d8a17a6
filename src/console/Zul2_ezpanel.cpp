#include "console/Zul2_ezpanel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "model/debug_log.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "protocol/packets.h"

namespace zul {
namespace {

const QString kFilter = QStringLiteral("EazyPanel設定データ(*.rz1)|*.rz1");
const QString kDefaultName = QStringLiteral("default");
// The file names as they arrived, so that they go back byte for byte.
constexpr int kBytesRole = Qt::UserRole;

QStringList entriesOf(const QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    return entries;
}

}  // namespace

TZUL_ezpnl::TZUL_ezpnl(OperatorChannel channel, Dialogs& dialogs, DebugLog& log, QWidget* parent)
    : QMainWindow(parent, Qt::Dialog), channel_(std::move(channel)), dialogs_(dialogs), log_(log) {
    setObjectName(QStringLiteral("ZUL_ezpnl"));
    setWindowTitle(QStringLiteral("ZUL-EazyPanel"));
    createMenus();
    build();

    fin_ = new QTimer(this);
    fin_->setObjectName(QStringLiteral("Fin"));
    fin_->setInterval(kFadeStepMs);
    connect(fin_, &QTimer::timeout, this, &TZUL_ezpnl::FinTimer);
    fout_ = new QTimer(this);
    fout_->setObjectName(QStringLiteral("Fout"));
    fout_->setInterval(kFadeStepMs);
    connect(fout_, &QTimer::timeout, this, &TZUL_ezpnl::FoutTimer);
}

void TZUL_ezpnl::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    connect(file->addAction(QStringLiteral("開く(&O)")), &QAction::triggered, this,
            &TZUL_ezpnl::openClick);
    connect(file->addAction(QStringLiteral("名前をつけて保存(&A)")), &QAction::triggered, this,
            &TZUL_ezpnl::saveClick);
}

void TZUL_ezpnl::build() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* layout = new QGridLayout(client);
    for (int row = 0; row < kPanelRows; ++row) {
        auto* combo = new QComboBox;
        combo->setObjectName(QStringLiteral("ComboBox%1").arg(row + 1));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMinimumWidth(260);
        combos_[static_cast<std::size_t>(row)] = combo;
        auto* show = new QPushButton(QStringLiteral("【表示】"));
        show->setObjectName(QStringLiteral("Button%1").arg(row + 1));
        connect(show, &QPushButton::clicked, this, [this, row] { showClick(row); });
        layout->addWidget(combo, row, 0);
        layout->addWidget(show, row, 1);
    }
    auto* fadeIn = new QPushButton(QStringLiteral("フェードイン"));
    fadeIn->setObjectName(QStringLiteral("Button17"));
    auto* fadeOut = new QPushButton(QStringLiteral("フェードアウト"));
    fadeOut->setObjectName(QStringLiteral("Button18"));
    connect(fadeIn, &QPushButton::clicked, this, &TZUL_ezpnl::Button17Click);
    connect(fadeOut, &QPushButton::clicked, this, &TZUL_ezpnl::Button18Click);
    layout->addWidget(fadeIn, kPanelRows, 0, 1, 2);
    layout->addWidget(fadeOut, kPanelRows + 1, 0, 1, 2);
}

// ---- the file lists ---------------------------------------------------------------------

void TZUL_ezpnl::clearFileEntries() {
    for (QComboBox* combo : combos_) {
        const QString text = combo->currentText();
        combo->clear();
        combo->setEditText(text);
    }
}

void TZUL_ezpnl::addFileEntry(const QByteArray& name) {
    const QString text = cp932::decode(name);
    for (QComboBox* combo : combos_) {
        const int chosen = combo->currentIndex();
        const QString typed = combo->currentText();
        combo->addItem(text, name);
        // The first entry of an empty list would become the chosen one by itself.
        if (combo->currentIndex() != chosen) {
            combo->setCurrentIndex(chosen);
            combo->setEditText(typed);
        }
    }
}

void TZUL_ezpnl::reselectEntries() {
    for (int row = 0; row < kPanelRows; ++row) {
        chooseMatchingEntry(row);
    }
}

void TZUL_ezpnl::chooseMatchingEntry(int row) {
    QComboBox* combo = comboBox(row);
    const int match = matchingEntry(entriesOf(combo), combo->currentText());
    if (match >= 0) {
        combo->setCurrentIndex(match);
    }
}

int TZUL_ezpnl::chosenEntry(int row) const {
    const QComboBox* combo = comboBox(row);
    const int index = combo->currentIndex();
    return index >= 0 && combo->itemText(index) == combo->currentText() ? index : -1;
}

QByteArray TZUL_ezpnl::rowText(int row) const {
    const int index = chosenEntry(row);
    if (index >= 0) {
        return comboBox(row)->itemData(index, kBytesRole).toByteArray();
    }
    int unmappable = 0;
    QByteArray bytes = cp932::encode(comboBox(row)->currentText(), &unmappable);
    if (unmappable > 0) {
        log_.add(
            QStringLiteral("パネルの %1 行目のシフトJISで表せない文字を「?」に置き換えました。")
                .arg(row + 1));
    }
    return bytes;
}

void TZUL_ezpnl::setRowText(int row, const QString& text) {
    QComboBox* combo = comboBox(row);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

// ---- buttons ------------------------------------------------------------------------------

void TZUL_ezpnl::showClick(int row) {
    Q_EMIT showFileRequested(chosenEntry(row));
}

// A press while the fade runs lets it go on from its current step.
void TZUL_ezpnl::Button17Click() {
    if (!fin_->isActive()) {
        fin_->start();
    }
}

void TZUL_ezpnl::Button18Click() {
    if (!fout_->isActive()) {
        fout_->start();
    }
}

void TZUL_ezpnl::FinTimer() {
    const FadeTick tick = fadeInTick(fadeInStep_);
    fadeInStep_ = tick.nextStep;
    if (tick.finished) {
        fin_->stop();
    }
    sendFade(tick.level);
}

void TZUL_ezpnl::FoutTimer() {
    const FadeTick tick = fadeOutTick(fadeOutStep_);
    fadeOutStep_ = tick.nextStep;
    if (tick.finished) {
        fout_->stop();
    }
    sendFade(tick.level);
}

void TZUL_ezpnl::sendFade(int level) {
    channel_.send(makePacket(Cmd::CmdFade, QByteArray::number(level)));
}

// ---- panel files ----------------------------------------------------------------------------

void TZUL_ezpnl::openClick() {
    const QString path = dialogs_.openFileName(QString(), kFilter, kDefaultName);
    if (path.isEmpty()) {
        return;
    }
    PanelTexts texts;
    try {
        texts = readPanelFile(path);
    } catch (const ZulError& error) {
        log_.add(QStringLiteral("エラー：%1").arg(error.message()));
        dialogs_.message(QStringLiteral("ロード失敗です。"), QStringLiteral("設定"));
        return;
    }
    for (int row = 0; row < kPanelRows; ++row) {
        setRowText(row, cp932::decode(texts[static_cast<std::size_t>(row)]));
        chooseMatchingEntry(row);
    }
    dialogs_.message(QStringLiteral("読込みを完了しました"), QStringLiteral("パネル設定の読込"),
                     Dialogs::Icon::Information);
}

void TZUL_ezpnl::saveClick() {
    const QString path = dialogs_.saveFileName(QString(), kFilter, kDefaultName);
    if (path.isEmpty()) {
        return;
    }
    PanelTexts texts;
    for (int row = 0; row < kPanelRows; ++row) {
        texts[static_cast<std::size_t>(row)] = rowText(row);
    }
    QString error;
    QString written;
    if (!writePanelFile(path, texts, &error, &written)) {
        log_.add(QStringLiteral("エラー：%1 %2").arg(written, error));
        dialogs_.message(QStringLiteral("保存失敗です。"), QStringLiteral("保存"),
                         Dialogs::Icon::Information);
        return;
    }
    dialogs_.message(QStringLiteral("保存を完了しました"), QStringLiteral("パネル設定の保存"),
                     Dialogs::Icon::Information);
}

}  // namespace zul
