#pragma once

// The hub's "表示する画面": the screens of this machine (name, size, position; the primary
// first), bound to the setting that names the screen the display window covers.

#include <QGroupBox>

#include "model/setting.h"

class QComboBox;

namespace zul {

class ScreenChoiceBox : public QGroupBox {
    Q_OBJECT
public:
    explicit ScreenChoiceBox(Setting<QString>& screen, QWidget* parent = nullptr);

    // Lists the screens as they are now and shows the chosen one.
    void refresh();

    QComboBox* ScreenSel() const { return combo_; }

private:
    Setting<QString>& screen_;
    QComboBox* combo_ = nullptr;
};

}  // namespace zul
