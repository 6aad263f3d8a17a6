#include "shell/screen_choice_box.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "platform/screen_list.h"

namespace zul {

ScreenChoiceBox::ScreenChoiceBox(Setting<QString>& screen, QWidget* parent)
    : QGroupBox(QStringLiteral("表示する画面"), parent), screen_(screen) {
    combo_ = new QComboBox;
    combo_->setObjectName(QStringLiteral("ScreenSel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(combo_);
    connect(combo_, &QComboBox::activated, &screen_,
            [this](int index) { screen_.set(combo_->itemData(index).toString()); });
    connect(&screen_, &SettingBase::changed, this, &ScreenChoiceBox::refresh);
    refresh();
}

void ScreenChoiceBox::refresh() {
    const ScreenItems list = screenItems(screenEntries(screensInHubOrder()), screen_());
    const QSignalBlocker block(combo_);
    combo_->clear();
    for (const ScreenItem& item : list.items) {
        combo_->addItem(item.label, item.key);
    }
    combo_->setCurrentIndex(list.current);
}

}  // namespace zul
