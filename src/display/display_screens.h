#pragma once

// Follows the screens of the machine for the display window: which screen it covers (the
// one chosen in the settings, or the primary while that one is missing), and when that
// changes because a screen was connected or removed or the choice changed.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QScreen;

namespace zul {

class DebugLog;
struct Settings;

class DisplayScreens : public QObject {
    Q_OBJECT
public:
    DisplayScreens(Settings& settings, DebugLog& log, QObject* parent = nullptr);

    // The screen to cover now; nullptr only without any screen.
    QScreen* target();

    // Called with the new screen whenever the screen to cover changes.
    std::function<void(QScreen*)> moveTo;

Q_SIGNALS:
    // A screen came or went, or its name, place or size changed: lists of screens are out
    // of date.
    void screensChanged();

private:
    void update();
    void watch(QScreen* screen);

    Settings& settings_;
    DebugLog& log_;
    QPointer<QScreen> current_;
    // The chosen screen while it is missing (the primary stands in), else empty.
    QString missing_;
};

}  // namespace zul
