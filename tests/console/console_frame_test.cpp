// The console frame: its tabs and controls, the elements outside the tabs, the display
// monitor and the window's life cycle.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

#include "console_fixture.h"

using namespace zul;
using namespace zul::test;

namespace {

const QString kNormal = QStringLiteral("正常動作中");
const QString kSilent = QStringLiteral("**表示機から応答がありません**");
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kNavy(0, 0, 128);
const QColor kYellow(255, 255, 0);

class Frame : public ConsoleTest {
protected:
    void click(const char* name) const { child<QPushButton>(QString::fromLatin1(name))->click(); }
    void runMonitor(bool on) const { child<QCheckBox>(QStringLiteral("CkRunCM"))->setChecked(on); }
};

}  // namespace

TEST_F(Frame, CaptionSizeAndTabs) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ZUL 操作機"));
    EXPECT_EQ(window->size(), QSize(856, 510));
    QTabWidget* tabs = window->PageControl1();
    const struct {
        const char* name;
        QString caption;
    } expected[] = {
        {"TabSheet1", QStringLiteral("文字送信")},
        {"TabSheet2", QStringLiteral("ファイル指示")},
        {"TabSheet3", QStringLiteral("部品の文字")},
        {"TabSheet4", QStringLiteral("更新タイミング")},
        {"TabSheet6", QStringLiteral("ツール")},
        {"TabSheet5", QStringLiteral("遠隔保存")},
    };
    ASSERT_EQ(tabs->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tabs->widget(i)->objectName(), QString::fromLatin1(expected[i].name));
        EXPECT_EQ(tabs->tabText(i), expected[i].caption);
    }
    EXPECT_EQ(tabs->currentIndex(), 1);
}

TEST_F(Frame, ButtonCaptions) {
    const struct {
        const char* name;
        QString caption;
    } buttons[] = {
        {"Button1", QStringLiteral("テキスト読み込み")},
        {"Button2", QStringLiteral("テキスト保存")},
        {"Txt_clr", QStringLiteral("クリア")},
        {"Button5", QStringLiteral("ファイルリスト更新")},
        {"Button10", QStringLiteral("文字更新を停止")},
        {"DirCng", QStringLiteral("Dir変更指示")},
        {"Pptrun", QStringLiteral("開始")},
        {"PptNext", QStringLiteral("次へ")},
        {"PptEsc", QStringLiteral("表示中止")},
        {"PptUp", QStringLiteral("前")},
        {"PptDown", QStringLiteral("後")},
        {"Button4", QStringLiteral("リスト更新")},
        {"Button3", QStringLiteral("変更を送信")},
        {"Button13", QStringLiteral("文字色")},
        {"Button14", QStringLiteral("背景色")},
        {"Button11", QStringLiteral("値ﾌｧｲﾙを開く")},
        {"Button12", QStringLiteral("値を保存")},
        {"Button6", QStringLiteral("破棄")},
        {"HideParts", QStringLiteral("隠す")},
        {"ShowParts", QStringLiteral("出す")},
        {"Button7", QStringLiteral("設定送信")},
        {"Button16", QStringLiteral("位置・設定を保存（設定ファイルのみ）")},
        {"Button17", QStringLiteral("表示設定も保存（ファイルセット）")},
        {"Button15", QStringLiteral("隠す")},
        {"Button20", QStringLiteral("出す")},
        {"ezp", QStringLiteral("簡単操作（EazyPanel）")},
        {"Button9", QStringLiteral("フォント設定送信")},
        {"Button8", QStringLiteral("クライアント終了")},
    };
    for (const auto& b : buttons) {
        QPushButton* found = child<QPushButton>(QString::fromLatin1(b.name));
        if (found != nullptr) {
            EXPECT_EQ(found->text(), b.caption) << b.name;
        }
    }
    EXPECT_EQ(window->MemoChat()->toPlainText(),
              QStringLiteral("【連絡メモ：Ｆ３キーで送られたものがここに残ります】"));
    EXPECT_EQ(child<QLineEdit>(QStringLiteral("trans_filename"))->text(),
              QStringLiteral("保存ファイル名"));
    EXPECT_EQ(child<QLabel>(QStringLiteral("SaveHint"))->text(),
              QStringLiteral("☆保存について☆\n\n①ファイルは今　表示機に設定されている\n"
                             "　基本フォルダ（基本ディレクトリ）に保存されます。\n\n"
                             "②名前を入れてから指示を選択をしてください。\n\n"
                             "③重複する名前があった場合、上書きされます"));
}

TEST_F(Frame, ButtonsOpenTheirWindows) {
    const struct {
        const char* name;
        const char* tool;
    } cases[] = {
        {"ezp", "TZUL_ezpnl"},
        {"Basketball", "Tzul_pb_main"},
        {"Baseball", "Tzul_py_main"},
        {"Worksheet", "Tzul_ws"},
    };
    for (const auto& c : cases) {
        QSignalSpy spy(window.get(), &TClientMain::showToolRequested);
        click(c.name);
        ASSERT_EQ(spy.count(), 1) << c.name;
        EXPECT_EQ(spy.first().first().toString(), QString::fromLatin1(c.tool)) << c.name;
    }
    QSignalSpy caption(window.get(), &TClientMain::showCaptionPageRequested);
    click("Button9");
    EXPECT_EQ(caption.count(), 1);
}

TEST_F(Frame, PacketsOfTheSimpleButtons) {
    click("Button15");
    click("Button20");
    click("Button7");
    child<QSpinBox>(QStringLiteral("WebTm"))->setValue(3600);
    child<QSpinBox>(QStringLiteral("StrDot"))->setValue(100);  // beyond its range
    click("Button7");
    click("Button16");
    child<QLineEdit>(QStringLiteral("trans_filename"))->setText(QStringLiteral("本番 1"));
    click("Button17");
    EXPECT_EQ(
        connection.sent,
        QByteArrayList({packet(43), packet(51), packet(37, "10,5,20,4"), packet(37, "3600,5,20,72"),
                        packet(71, sj("1,保存ファイル名")), packet(71, sj("2,本番 1"))}));
}

TEST_F(Frame, TimingBoxesKeepTheirRanges) {
    const struct {
        const char* name;
        int minimum;
        int maximum;
    } boxes[] = {{"WebTm", 1, 3600}, {"StrTm", 1, 3600}, {"StrScTm", 10, 10000}, {"StrDot", 1, 72}};
    for (const auto& b : boxes) {
        QSpinBox* box = child<QSpinBox>(QString::fromLatin1(b.name));
        EXPECT_EQ(box->minimum(), b.minimum) << b.name;
        EXPECT_EQ(box->maximum(), b.maximum) << b.name;
    }
}

TEST_F(Frame, MemoPeersAndStatusBar) {
    window->addChatLine(sj("【host】今日は"));
    EXPECT_EQ(
        window->MemoChat()->toPlainText(),
        QStringLiteral("【連絡メモ：Ｆ３キーで送られたものがここに残ります】\n【host】今日は"));

    peers.add(QStringLiteral("[S]beta"));
    peers.add(QStringLiteral("[C]alpha"));
    QListWidget* list = window->NetList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("[C]alpha"));
    peers.clear();
    EXPECT_EQ(list->count(), 0);

    window->setStatus(QStringLiteral("接続しました"), Qt::green);
    QStatusBar* bar = child<QStatusBar>(QStringLiteral("StatusBar1"));
    QLabel* text = bar->findChild<QLabel*>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QStringLiteral("接続しました"));
    EXPECT_TRUE(bar->styleSheet().contains(QColor(Qt::green).name()));
}

TEST_F(Frame, MonitorStartsReadyAndStoppedWithItsTimerRunning) {
    TClientMain fresh(
        TClientMain::Context{settings, hub, log, dialogs, connection, udp, peers, "host"});
    EXPECT_TRUE(fresh.cpusend()->isActive());
    EXPECT_EQ(fresh.cpusend()->interval(), 1000);
    EXPECT_EQ(fresh.cpu_status()->text(), QStringLiteral("【CPUモニター準備中】"));
    EXPECT_EQ(fresh.statusColour(), kBlue);
    EXPECT_EQ(fresh.pingColour(), kNavy);
    EXPECT_EQ(fresh.PingTime()->minimum(), 0);
    EXPECT_EQ(fresh.PingTime()->maximum(), 100);
    QCheckBox* run = fresh.findChild<QCheckBox*>(QStringLiteral("CkRunCM"));
    ASSERT_NE(run, nullptr);
    EXPECT_FALSE(run->isChecked());
    EXPECT_EQ(run->text(), QStringLiteral("CPUモニターを実行"));
}

TEST_F(Frame, ASilentDisplayIsReportedFromTheThirdTick) {
    runMonitor(true);
    const QString labels[] = {kNormal, kNormal, kSilent, kSilent};
    const QColor colours[] = {kBlue, kBlue, kRed, kRed};
    for (int i = 0; i < 4; ++i) {
        window->cpusendTimer();
        EXPECT_EQ(window->cpu_status()->text(), labels[i]) << i;
        EXPECT_EQ(window->statusColour(), colours[i]) << i;
        EXPECT_EQ(hub.CpuPending, i + 1);
    }
    EXPECT_EQ(connection.sent, QByteArrayList(4, packet(74, ",")));
    EXPECT_TRUE(window->cpu_status()->styleSheet().contains(QStringLiteral("color: white")));

    // The late answer: full red gauge and the recovery text, whatever the load.
    window->cpuLoadReply(10);
    EXPECT_EQ(window->PingTime()->value(), 100);
    EXPECT_EQ(window->pingColour(), kRed);
    EXPECT_EQ(window->cpu_status()->text(), QStringLiteral("正常稼動中"));
    EXPECT_EQ(window->statusColour(), kBlue);
    EXPECT_EQ(hub.CpuPending, 0);

    // The following answer shows the load again.
    window->cpusendTimer();
    window->cpuLoadReply(10);
    EXPECT_EQ(window->PingTime()->value(), 10);
    EXPECT_EQ(window->pingColour(), kNavy);
}

TEST_F(Frame, AnswersColourTheGauge) {
    const struct {
        int percent;
        QColor colour;
    } cases[] = {{95, kRed}, {10, kNavy}, {50, kYellow}, {89, kYellow}, {90, kRed}};
    for (const auto& c : cases) {
        hub.CpuPending = 1;
        window->cpuLoadReply(c.percent);
        EXPECT_EQ(window->PingTime()->value(), c.percent);
        EXPECT_EQ(window->pingColour(), c.colour) << c.percent;
        EXPECT_EQ(hub.CpuPending, 0);
    }
    EXPECT_TRUE(window->PingTime()->styleSheet().contains(kRed.name()));
}

TEST_F(Frame, UncheckingTheMonitorStopsTheRequests) {
    runMonitor(true);
    window->cpusendTimer();
    window->cpusendTimer();
    runMonitor(false);
    connection.sent.clear();
    window->cpusendTimer();
    window->cpusendTimer();
    EXPECT_EQ(window->cpu_status()->text(), QStringLiteral("**表示停止中**"));
    EXPECT_EQ(window->statusColour(), kGrey);
    EXPECT_TRUE(connection.sent.isEmpty());
    EXPECT_EQ(hub.CpuPending, 2);
}

TEST_F(Frame, ShowingRequestsTheFileListThenThePartsList) {
    QSignalSpy cleared(window.get(), &TClientMain::fileListCleared);
    window->show();
    EXPECT_EQ(connection.sent, QByteArrayList({packet(32, "*.*"), packet(68, "*.*"), packet(45)}));
    EXPECT_EQ(cleared.count(), 1);
}

TEST_F(Frame, ClosingHidesTheConsoleAndHandsOver) {
    QSignalSpy closed(window.get(), &TClientMain::consoleClosed);
    showWindow();
    click("Button8");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closed.count(), 1);

    showWindow();
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closed.count(), 2);
}

TEST_F(Frame, SizeLimits) {
    showWindow();
    const struct {
        QSize requested;
        QSize result;
    } cases[] = {
        {{900, 600}, {870, 530}}, {{861, 400}, {870, 400}}, {{700, 521}, {700, 530}},
        {{860, 520}, {860, 520}}, {{500, 300}, {500, 300}},
    };
    for (const auto& c : cases) {
        window->resize(c.requested);
        EXPECT_EQ(window->size(), c.result) << c.requested.width() << "x" << c.requested.height();
    }
}
