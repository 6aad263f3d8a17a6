#pragma once

// The program's tool windows by name: the tray menu, the hub form, the console and the
// display window's menu all open a tool window through this one table.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

namespace zul {

class DebugLog;

class ToolWindows {
public:
    explicit ToolWindows(DebugLog& log) : log_(log) {}

    // `window` is owned elsewhere and created once at start.
    void add(const QString& name, QWidget* window);
    QWidget* find(const QString& name) const;
    // Shows, raises and activates the window of that name; an unknown name is logged.
    bool show(const QString& name) const;

private:
    struct Entry {
        QString name;
        QPointer<QWidget> window;
    };
    DebugLog& log_;
    std::vector<Entry> entries_;
};

}  // namespace zul
