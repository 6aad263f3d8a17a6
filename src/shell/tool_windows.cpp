#include "shell/tool_windows.h"

#include <algorithm>

#include "model/debug_log.h"

namespace zul {

void ToolWindows::add(const QString& name, QWidget* window) {
    entries_.push_back({name, window});
}

QWidget* ToolWindows::find(const QString& name) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.name == name; });
    return it != entries_.end() ? it->window.data() : nullptr;
}

bool ToolWindows::show(const QString& name) const {
    QWidget* window = find(name);
    if (window == nullptr) {
        log_.add(QStringLiteral("ツール画面 %1 はこの版にはありません。").arg(name));
        return false;
    }
    if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->show();
    }
    window->raise();
    window->activateWindow();
    return true;
}

}  // namespace zul
