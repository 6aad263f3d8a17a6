#include "platform/screen_choice.h"

#include <QHash>
#include <algorithm>

namespace zul {

QList<ScreenEntry> hubScreenOrder(const QList<ScreenEntry>& systemOrder) {
    QList<ScreenEntry> out = systemOrder;
    const auto primary =
        std::find_if(out.begin(), out.end(), [](const ScreenEntry& s) { return s.primary; });
    std::rotate(out.begin(), primary, primary == out.end() ? primary : primary + 1);
    return out;
}

QStringList screenKeys(const QList<ScreenEntry>& screens) {
    QStringList keys;
    QHash<QString, int> seen;
    for (const ScreenEntry& s : screens) {
        const int n = ++seen[s.name];
        keys << (n == 1 ? s.name : QStringLiteral("%1 #%2").arg(s.name).arg(n));
    }
    return keys;
}

QString screenLabel(const ScreenEntry& screen, const QString& key) {
    const QRect& g = screen.geometry;
    QString label = QStringLiteral("%1  %2x%3  (%4,%5)")
                        .arg(key)
                        .arg(g.width())
                        .arg(g.height())
                        .arg(g.x())
                        .arg(g.y());
    if (screen.primary) {
        label += QStringLiteral("（主画面）");
    }
    return label;
}

ScreenItems screenItems(const QList<ScreenEntry>& screens, const QString& chosenKey) {
    ScreenItems out;
    const QStringList keys = screenKeys(screens);
    for (qsizetype i = 0; i < screens.size(); ++i) {
        out.items << ScreenItem{keys[i], screenLabel(screens[i], keys[i])};
    }
    const ScreenPlacement place = placeDisplay(screens, chosenKey);
    if (place.fallback) {
        out.items << ScreenItem{chosenKey, QStringLiteral("%1（未接続）").arg(chosenKey)};
        out.current = static_cast<int>(out.items.size() - 1);
    } else {
        out.current = place.index;
    }
    return out;
}

ScreenPlacement placeDisplay(const QList<ScreenEntry>& screens, const QString& chosenKey) {
    if (screens.isEmpty()) {
        return {};
    }
    if (!chosenKey.isEmpty()) {
        const qsizetype chosen = screenKeys(screens).indexOf(chosenKey);
        if (chosen >= 0) {
            return {static_cast<int>(chosen), false};
        }
    }
    int primary = 0;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i].primary) {
            primary = static_cast<int>(i);
            break;
        }
    }
    return {primary, !chosenKey.isEmpty()};
}

}  // namespace zul
