#pragma once

// The tray menu's items, in one table for every place that offers them: the tray icon's
// menu, and on desktops without a system tray the display window's hot-corner menu and the
// console's menu button.

#include <functional>
#include <optional>
#include <span>

class QMenu;

namespace zul {

enum class TrayAction {
    StopDisplay,         // "停止(&S)"
    ShowDisplay,         // "画面表示(&V)"
    ToggleDisplayFrame,  // "画面枠切り替え(&C)"
    OperateDirectly,     // "直接、操作する(&X)"
    StopOperator,        // "停止(&C)"
    ShowConsole,         // "操作画面表示(&T)"
    PartsEditor,
    FileSetEditor,
    WebListEditor,
    ScoreBoard,
    ShowHub,  // "設定画面表示(&V)"
    Quit,     // "強制終了(&X)"
};

struct TrayMenuItem {
    const char16_t* submenu;
    const char16_t* caption;  // nullptr: a separator
    std::optional<TrayAction> action;
};

// The items in menu order, each under its submenu.
std::span<const TrayMenuItem> trayMenuItems();

// Adds the title line (product name and version) and the submenus to `menu`; each item
// runs `run` with its action.
void addTrayMenuItems(QMenu& menu, const std::function<void(TrayAction)>& run);

}  // namespace zul
