#include "shell/tray_menu.h"

#include <QMenu>
#include <QString>
#include <array>

namespace zul {
namespace {

constexpr std::array kItems{
    TrayMenuItem{u"サーバ(表示機)...", u"停止(&S)", TrayAction::StopDisplay},
    TrayMenuItem{u"サーバ(表示機)...", u"画面表示(&V)", TrayAction::ShowDisplay},
    TrayMenuItem{u"サーバ(表示機)...", u"画面枠切り替え(&C)", TrayAction::ToggleDisplayFrame},
    TrayMenuItem{u"サーバ(表示機)...", u"直接、操作する(&X)", TrayAction::OperateDirectly},
    TrayMenuItem{u"クライアント(操作機）...", u"停止(&C)", TrayAction::StopOperator},
    TrayMenuItem{u"クライアント(操作機）...", u"操作画面表示(&T)", TrayAction::ShowConsole},
    TrayMenuItem{u"ツール...", u"部品設定ツール", TrayAction::PartsEditor},
    TrayMenuItem{u"ツール...", u"ファイルセット作成", TrayAction::FileSetEditor},
    TrayMenuItem{u"ツール...", u"Ｗｅｂリスト作成", TrayAction::WebListEditor},
    TrayMenuItem{u"ツール...", u"得点板ツール", TrayAction::ScoreBoard},
    TrayMenuItem{u"その他...", u"設定画面表示(&V)", TrayAction::ShowHub},
    TrayMenuItem{u"その他...", nullptr, std::nullopt},
    TrayMenuItem{u"その他...", u"強制終了(&X)", TrayAction::Quit},
};

}  // namespace

std::span<const TrayMenuItem> trayMenuItems() {
    return kItems;
}

void addTrayMenuItems(QMenu& menu, const std::function<void(TrayAction)>& run) {
    menu.addAction(QStringLiteral("ZUL Version %1").arg(QStringLiteral(ZUL_VERSION)))
        ->setEnabled(false);
    QMenu* submenu = nullptr;
    QString submenuTitle;
    for (const TrayMenuItem& item : kItems) {
        const QString title = QString::fromUtf16(item.submenu);
        if (submenu == nullptr || title != submenuTitle) {
            submenu = menu.addMenu(title);
            submenuTitle = title;
        }
        if (item.caption == nullptr || !item.action) {
            submenu->addSeparator();
            continue;
        }
        const TrayAction action = *item.action;
        submenu->addAction(QString::fromUtf16(item.caption), &menu, [run, action] { run(action); });
    }
}

}  // namespace zul
