#pragma once

// One value that the hub form shows as a control. Setting it emits `changed` only when the
// value really changes, so code that assigns a setting runs its change handler exactly as
// an operator's click on the control would, and assigning the same value runs nothing.

#include <QObject>
#include <algorithm>
#include <utility>

namespace zul {

class SettingBase : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void changed();
};

template <typename T>
class Setting : public SettingBase {
public:
    explicit Setting(T initial, QObject* parent = nullptr)
        : SettingBase(parent), value_(std::move(initial)) {}

    const T& get() const { return value_; }
    const T& operator()() const { return value_; }

    void set(T value) {
        if (value == value_) {
            return;
        }
        value_ = std::move(value);
        Q_EMIT changed();
    }

private:
    T value_;
};

// An integer spin control with its range; values outside it are clamped on assignment.
class RangedSetting : public SettingBase {
public:
    RangedSetting(int initial, int minimum, int maximum, QObject* parent = nullptr)
        : SettingBase(parent), min_(minimum), max_(maximum), value_(clamp(initial)) {}

    int get() const { return value_; }
    int operator()() const { return value_; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }

    void set(int value) {
        value = clamp(value);
        if (value == value_) {
            return;
        }
        value_ = value;
        Q_EMIT changed();
    }

private:
    int clamp(int v) const { return std::clamp(v, min_, max_); }

    int min_;
    int max_;
    int value_;
};

}  // namespace zul
