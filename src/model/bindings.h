#pragma once

// Two-way binding of hub form widgets to settings: the widget shows the value, an edit of
// the widget assigns the setting (which runs its change handlers), and a change of the
// setting from code updates the widget without echoing back.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include "model/setting.h"

namespace zul {

inline void bind(QCheckBox* box, Setting<bool>& setting) {
    box->setChecked(setting());
    QObject::connect(box, &QCheckBox::toggled, &setting, [&setting](bool on) { setting.set(on); });
    QObject::connect(&setting, &SettingBase::changed, box, [box, &setting] {
        const QSignalBlocker block(box);
        box->setChecked(setting());
    });
}

inline void bind(QLineEdit* edit, Setting<QString>& setting) {
    edit->setText(setting());
    QObject::connect(edit, &QLineEdit::textEdited, &setting,
                     [&setting](const QString& text) { setting.set(text); });
    QObject::connect(&setting, &SettingBase::changed, edit, [edit, &setting] {
        if (edit->text() != setting()) {
            edit->setText(setting());
        }
    });
}

inline void bind(QSpinBox* spin, RangedSetting& setting) {
    spin->setRange(setting.minimum(), setting.maximum());
    spin->setValue(setting());
    QObject::connect(spin, &QSpinBox::valueChanged, &setting,
                     [&setting](int v) { setting.set(v); });
    QObject::connect(&setting, &SettingBase::changed, spin, [spin, &setting] {
        const QSignalBlocker block(spin);
        spin->setValue(setting());
    });
}

// A combo box whose current index is the setting.
inline void bind(QComboBox* combo, RangedSetting& setting) {
    combo->setCurrentIndex(setting());
    QObject::connect(combo, &QComboBox::currentIndexChanged, &setting, [&setting](int index) {
        if (index >= 0) {
            setting.set(index);
        }
    });
    QObject::connect(&setting, &SettingBase::changed, combo, [combo, &setting] {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(setting());
    });
}

}  // namespace zul
