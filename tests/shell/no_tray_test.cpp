// A desktop without a system tray (openbox and many other window managers have none; the
// offscreen platform neither): the tray menu's items are offered in the display window's
// hot-corner menu and in the console, and the hub's welcome page says where.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include "console/Zul2_cmain.h"
#include "display/Zul2_rdisp.h"
#include "recording_dialogs.h"
#include "shell/Zul2_main.h"
#include "shell/display_listener.h"
#include "shell/operator_connection.h"
#include "shell/program.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::freeTcpPort;
using zul::test::waitFor;

namespace {

// The items of a menu and its submenus, as "submenu/item" (separators as "-").
QStringList itemsOf(const QMenu* menu, const QString& prefix = {}) {
    QStringList out;
    for (const QAction* a : menu->actions()) {
        if (a->menu() != nullptr) {
            out << itemsOf(a->menu(), prefix + a->text() + QLatin1Char('/'));
        } else {
            out << prefix + (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
    }
    return out;
}

QAction* findItem(const QMenu* menu, const QString& submenu, const QString& caption) {
    for (const QAction* a : menu->actions()) {
        if (a->menu() != nullptr && a->text() == submenu) {
            for (QAction* item : a->menu()->actions()) {
                if (item->text() == caption) {
                    return item;
                }
            }
        }
    }
    return nullptr;
}

class NoTray : public ::testing::Test {
protected:
    void SetUp() override {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            GTEST_SKIP() << "this desktop has a system tray";
        }
        const quint16 port = freeTcpPort();
        Program::Options o;
        o.startFolder = dir_.path();
        o.showWindows = false;
        program_ = std::make_unique<Program>(o);
        program_->setDialogs(&dialogs_);
        program_->settings().Port.set(port);
        program_->settings().ClientPort.set(port);
        program_->hubForm().Button4Click();
        ASSERT_TRUE(program_->listener().isOpen());
    }

    QMenu* consoleMenu() {
        auto* button = program_->console().findChild<QPushButton*>(QStringLiteral("TrayMenu"));
        return button != nullptr ? button->menu() : nullptr;
    }

    QTemporaryDir dir_;
    test::RecordingDialogs dialogs_;
    std::unique_ptr<Program> program_;
};

}  // namespace

TEST_F(NoTray, TheTrayMenusItemsAreInTheHotCornerMenuAndTheConsole) {
    const QStringList tray = itemsOf(program_->hubForm().trayMenu());
    ASSERT_TRUE(tray.contains(QStringLiteral("サーバ(表示機).../停止(&S)")));
    ASSERT_TRUE(tray.contains(QStringLiteral("その他.../強制終了(&X)")));

    const QStringList corner = itemsOf(program_->display().popupMenu());
    EXPECT_EQ(corner.mid(0, 2), (QStringList{QStringLiteral("操作画面を出す(&C)"),
                                             QStringLiteral("ウインドウ枠の切り替え(&W)")}));
    EXPECT_EQ(corner.mid(corner.size() - tray.size()), tray);

    ASSERT_NE(consoleMenu(), nullptr) << "the console has no menu of the tray's items";
    EXPECT_EQ(itemsOf(consoleMenu()), tray);
}

TEST_F(NoTray, TheDisplayRoleStopsFromTheHotCornerMenu) {
    program_->display().show();
    QAction* stop = findItem(program_->display().popupMenu(), QStringLiteral("サーバ(表示機)..."),
                             QStringLiteral("停止(&S)"));
    ASSERT_NE(stop, nullptr);
    stop->trigger();
    EXPECT_FALSE(program_->listener().isOpen());
    EXPECT_FALSE(program_->display().isVisible());
    EXPECT_TRUE(program_->hubForm().isVisible());
}

TEST_F(NoTray, TheOperatorRoleStopsAndTheHubComesBackFromTheConsoleMenu) {
    program_->hubForm().X2Click();
    ASSERT_TRUE(waitFor([this] { return program_->console().isVisible(); }));
    ASSERT_NE(consoleMenu(), nullptr);
    QAction* stop = findItem(consoleMenu(), QStringLiteral("クライアント(操作機）..."),
                             QStringLiteral("停止(&C)"));
    ASSERT_NE(stop, nullptr);
    stop->trigger();
    EXPECT_FALSE(program_->connection().isEstablished());
    EXPECT_TRUE(program_->hubForm().isVisible());
    EXPECT_TRUE(program_->listener().isOpen());  // the display role goes on
}

TEST_F(NoTray, TheWelcomePageSaysWhereTheTrayMenuIs) {
    auto* welcome = program_->hubForm().findChild<QLabel*>(QStringLiteral("WelcomeText"));
    ASSERT_NE(welcome, nullptr);
    EXPECT_TRUE(welcome->text().contains(QStringLiteral("タスクトレイがありません")))
        << welcome->text().toStdString();
    EXPECT_TRUE(welcome->text().contains(QStringLiteral("左上の隅")));
    EXPECT_TRUE(welcome->text().contains(QStringLiteral("「ZULメニュー」")));
}
