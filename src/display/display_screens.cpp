#include "display/display_screens.h"

#include <QGuiApplication>
#include <QScreen>

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/screen_list.h"

namespace zul {

DisplayScreens::DisplayScreens(Settings& settings, DebugLog& log, QObject* parent)
    : QObject(parent), settings_(settings), log_(log) {
    // Queued: a screen that is going away is still listed while its signal runs.
    const auto later = Qt::QueuedConnection;
    connect(
        qGuiApp, &QGuiApplication::screenAdded, this,
        [this](QScreen* s) {
            watch(s);
            update();
        },
        later);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &DisplayScreens::update, later);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &DisplayScreens::update, later);
    connect(&settings_.Screen, &SettingBase::changed, this, &DisplayScreens::update);
    for (QScreen* s : QGuiApplication::screens()) {
        watch(s);
    }
    current_ = target();
}

void DisplayScreens::watch(QScreen* screen) {
    connect(
        screen, &QScreen::geometryChanged, this,
        [this, screen] {
            Q_EMIT screensChanged();
            if (screen == current_ && moveTo) {
                moveTo(screen);  // the same screen, in a new place or size
            }
        },
        Qt::QueuedConnection);
}

QScreen* DisplayScreens::target() {
    const QList<QScreen*> screens = screensInHubOrder();
    const QList<ScreenEntry> entries = screenEntries(screens);
    const QString chosen = settings_.Screen();
    const ScreenPlacement place = placeDisplay(entries, chosen);
    if (place.index < 0) {
        return nullptr;
    }
    QScreen* screen = screens[place.index];
    if (place.fallback) {
        if (missing_ != chosen) {
            log_.add(
                QStringLiteral("表示する画面「%1」が見つからないため、主画面「%2」に表示します。")
                    .arg(chosen, screenKeys(entries)[place.index]));
        }
        missing_ = chosen;
    } else {
        if (!missing_.isEmpty() && missing_ == chosen) {
            log_.add(QStringLiteral("表示する画面「%1」が戻ったので、この画面に表示します。")
                         .arg(chosen));
        }
        missing_.clear();
    }
    return screen;
}

void DisplayScreens::update() {
    Q_EMIT screensChanged();
    QScreen* screen = target();
    if (screen == current_) {
        return;
    }
    current_ = screen;
    if (moveTo && screen != nullptr) {
        moveTo(screen);
    }
}

}  // namespace zul
