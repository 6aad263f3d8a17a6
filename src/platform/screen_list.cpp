#include "platform/screen_list.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace zul {

QList<QScreen*> screensInHubOrder() {
    QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    const auto first = std::find(screens.begin(), screens.end(), primary);
    std::rotate(screens.begin(), first, first == screens.end() ? first : first + 1);
    return screens;
}

QList<ScreenEntry> screenEntries(const QList<QScreen*>& screens) {
    QList<ScreenEntry> entries;
    QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* s : screens) {
        entries << ScreenEntry{s->name(), s->geometry(), s == primary};
    }
    return entries;
}

}  // namespace zul
