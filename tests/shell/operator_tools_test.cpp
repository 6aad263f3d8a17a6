// The operator's tool windows in the whole program: each entry point opens its window, the
// display machine's replies fill the easy panel and the continuous sender, and the tools'
// packets reach the display machine of the same program over a loopback connection.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "commands/interpreter.h"
#include "console/Zul2_cmain.h"
#include "console/Zul2_ezpanel.h"
#include "console/Zul2_rsend.h"
#include "console/Zul_pt2.h"
#include "console/Zul_py.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
#include "shell/Zul2_main.h"
#include "shell/operator_connection.h"
#include "shell/program.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::freeTcpPort;
using zul::test::sj;
using zul::test::waitFor;
using zul::test::writeAll;

namespace {

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

// Display machine and operator machine in one program ("直接、操作する"). The display's
// handlers of the commands the tools send only record what arrives.
class OperatorTools : public ::testing::Test {
protected:
    void SetUp() override {
        const quint16 port = freeTcpPort();
        Program::Options o;
        o.startFolder = dir_.path();
        o.showWindows = false;
        program_ = std::make_unique<Program>(o);
        program_->setDialogs(&dialogs_);
        for (const Cmd cmd : {Cmd::CmdWallpaper, Cmd::CmdFade, Cmd::CmdPartUpdate}) {
            program_->interpreter().setHandler(cmd, [this](PacketContext& ctx) {
                arrived_ << QByteArray(1, static_cast<char>(ctx.commandByte())) + ctx.operand();
            });
        }
        program_->settings().BaseDir.set(dir_.path());
        program_->settings().Port.set(port);
        program_->settings().ClientPort.set(port);
        program_->hubForm().Button4Click();
        program_->hubForm().X2Click();
        ASSERT_TRUE(waitFor([this] { return program_->console().isVisible(); }));
    }

    template <typename T>
    T* tool(const char* name) {
        auto* window = qobject_cast<T*>(program_->tools().find(QString::fromLatin1(name)));
        EXPECT_NE(window, nullptr) << name;
        return window;
    }
    template <typename T>
    T* child(QWidget* window, const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(QWidget* window, const char* name) {
        QTest::mouseClick(child<QPushButton>(window, name), Qt::LeftButton);
    }
    void reply(const QByteArray& packet) { program_->connection().processReply(packet, nullptr); }

    QTemporaryDir dir_;
    test::RecordingDialogs dialogs_;
    std::unique_ptr<Program> program_;
    QByteArrayList arrived_;
};

}  // namespace

TEST_F(OperatorTools, EveryEntryPointOpensItsWindow) {
    TClientMain& console = program_->console();
    console.PageControl1()->setCurrentIndex(4);  // "ツール"
    const struct {
        const char* button;
        const char* window;
    } buttons[] = {
        {"Basketball", "Tzul_pb_main"},
        {"Baseball", "Tzul_py_main"},
        {"ezp", "TZUL_ezpnl"},
    };
    for (const auto& b : buttons) {
        QWidget* window = program_->tools().find(QString::fromLatin1(b.window));
        ASSERT_NE(window, nullptr) << b.window;
        EXPECT_FALSE(window->isVisible()) << b.window;
        click(&console, b.button);
        EXPECT_TRUE(window->isVisible()) << b.window;
        window->close();
        EXPECT_FALSE(window->isVisible()) << "closing only hides " << b.window;
    }
    // The baseball board first says it is a sample.
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.lastText(),
              QStringLiteral("作成中です。ご利用になれませんが、サンプル画面をみることができます"));
    EXPECT_EQ(dialogs_.lastTitle(), QStringLiteral("ごめんなさい"));

    // The tray menu's "得点板ツール" (offered in the console too where there is no tray).
    QAction* scoreBoard = findItem(program_->hubForm().trayMenu(), QStringLiteral("ツール..."),
                                   QStringLiteral("得点板ツール"));
    ASSERT_NE(scoreBoard, nullptr);
    scoreBoard->trigger();
    EXPECT_TRUE(tool<Tzul_pb_main>("Tzul_pb_main")->isVisible());

    // The parts grid's context menu opens the continuous sender with the grid's names.
    reply("\x2f" + sj("得点1,0,255,0"));
    reply("\x2f" + sj("得点2,0,255,0"));
    auto* sender = tool<Tzul_rsend>("Tzul_rsend");
    EXPECT_FALSE(sender->isVisible()) << "the answers fill its names without opening it";
    EXPECT_EQ(sender->ComboBox1()->count(), 2);
    auto* menu = console.findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    ASSERT_NE(menu, nullptr);
    menu->actions().constFirst()->trigger();
    EXPECT_TRUE(sender->isVisible());
    EXPECT_EQ(sender->ComboBox1()->currentText(), QStringLiteral("得点1"));
}

TEST_F(OperatorTools, FileListRepliesFillTheEasyPanelAndItsButtonShowsTheChosenFile) {
    for (const char* name : {"a.jpg", "b.ppt", "c.rp1"}) {
        writeAll(dir_.filePath(QString::fromLatin1(name)), "x");
    }
    auto* panel = tool<TZUL_ezpnl>("TZUL_ezpnl");
    panel->comboBox(4)->setEditText(QStringLiteral("b.ppt"));
    panel->show();
    // The console's "ファイルリスト更新", answered by the display machine.
    click(&program_->console(), "Button5");
    ASSERT_TRUE(waitFor([&] { return panel->comboBox(15)->count() == 3; }));
    EXPECT_EQ(program_->console().FileList()->count(), 3);
    QStringList entries;
    for (int i = 0; i < 3; ++i) {
        entries << panel->comboBox(2)->itemText(i);
        EXPECT_EQ(panel->comboBox(2)->itemText(i), program_->console().FileList()->item(i)->text());
    }
    // The end mark chooses the entry that the typed text names.
    ASSERT_TRUE(waitFor([&] { return panel->comboBox(4)->currentIndex() >= 0; }));
    EXPECT_EQ(panel->comboBox(4)->currentText(), QStringLiteral("b.ppt"));

    QComboBox* third = panel->comboBox(2);
    third->setCurrentIndex(entries.indexOf(QStringLiteral("b.ppt")));
    click(panel, "Button3");
    ASSERT_TRUE(waitFor([this] { return !arrived_.isEmpty(); }));
    EXPECT_EQ(arrived_, QByteArrayList({"\x1f"
                                        "b.ppt"}));
    EXPECT_EQ(program_->console().FileList()->currentItem()->text(), QStringLiteral("b.ppt"));

    // A row with nothing chosen runs nothing.
    arrived_.clear();
    click(panel, "Button1");
    QTest::qWait(200);
    EXPECT_TRUE(arrived_.isEmpty());
}

TEST_F(OperatorTools, TheEasyPanelsFadeAndTheBoardsScoresReachTheDisplayMachine) {
    auto* panel = tool<TZUL_ezpnl>("TZUL_ezpnl");
    panel->show();
    click(panel, "Button18");
    ASSERT_TRUE(waitFor([this] { return arrived_.size() == 9; }, 6000));
    QByteArrayList levels;
    for (const int level : {255, 224, 192, 160, 128, 96, 64, 32, 0}) {
        levels << "\x3c" + QByteArray::number(level);
    }
    EXPECT_EQ(arrived_, levels);

    arrived_.clear();
    auto* board = tool<Tzul_pb_main>("Tzul_pb_main");
    board->show();
    QTest::keyClick(child<QComboBox>(board, "ID"), Qt::Key_Down);
    QTest::keyClick(child<QComboBox>(board, "ID"), Qt::Key_Down);
    click(board, "Button3");
    ASSERT_TRUE(waitFor([this] { return !arrived_.isEmpty(); }));
    EXPECT_EQ(arrived_, QByteArrayList{"\x2c" + sj("先攻得点3,3,,")});

    arrived_.clear();
    auto* sender = tool<Tzul_rsend>("Tzul_rsend");
    sender->show();
    sender->setPartNames({sj("氏名")}, true);
    sender->Memo1()->setPlainText(QStringLiteral("<--一人目\n山田"));
    QTest::keyClick(sender->Memo1(), Qt::Key_F2);
    QTest::keyClick(sender->Memo1(), Qt::Key_F2);
    ASSERT_TRUE(waitFor([this] { return !arrived_.isEmpty(); }));
    EXPECT_EQ(arrived_, QByteArrayList{"\x2c" + sj("氏名,山田,,")});
}
