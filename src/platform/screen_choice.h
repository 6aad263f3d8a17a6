#pragma once

// Which screen the display window covers. The settings keep the chosen screen by name, so
// that the choice survives screens that the system lists in another order; screens that
// share a name (two X screens both called "screen") are told apart by their position among
// the screens of that name. Pure: the screens come in as plain values.

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

namespace zul {

struct ScreenEntry {
    QString name;
    QRect geometry;
    bool primary = false;
};

// The screens in the order the hub lists them: the primary first, then the others in the
// system's order.
QList<ScreenEntry> hubScreenOrder(const QList<ScreenEntry>& systemOrder);

// The key under which each screen of `screens` is saved: its name, or for the second and
// later screens of the same name, the name followed by " #2", " #3", ...
QStringList screenKeys(const QList<ScreenEntry>& screens);

// The hub's text for a screen: "HDMI-1  1920x1080  (1280,0)" with "（主画面）" for the primary.
QString screenLabel(const ScreenEntry& screen, const QString& key);

// One entry of the hub's list of screens.
struct ScreenItem {
    QString key;
    QString label;
};

// The hub's list for `screens` (in hub order) and the index to show as chosen. A chosen
// screen that is not connected stays in the list, marked so, and stays chosen: the choice
// is kept until the operator makes another. An empty key shows the primary as chosen.
struct ScreenItems {
    QList<ScreenItem> items;
    int current = -1;
};
ScreenItems screenItems(const QList<ScreenEntry>& screens, const QString& chosenKey);

// Where the display window goes.
struct ScreenPlacement {
    int index = -1;         // into the screens given; -1 when there are none
    bool fallback = false;  // the chosen screen is missing: the primary stands in for it
};

// The chosen screen (by key) when it is there, else the primary (else the first). An empty
// key chooses the primary and is no fallback.
ScreenPlacement placeDisplay(const QList<ScreenEntry>& screens, const QString& chosenKey);

}  // namespace zul
