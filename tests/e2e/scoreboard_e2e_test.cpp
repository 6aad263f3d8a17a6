// The basketball board opened from a real operator console and clicked with real X input:
// the score part on the real display machine's screen changes.
#include <QTabBar>
#include <QTabWidget>

#include "console/Zul2_cmain.h"
#include "console/Zul_pt2.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/peer_list.h"
#include "model/settings.h"
#include "recording_dialogs.h"
#include "two_machines.h"

using namespace zul;
using zul::test::countNear;
using zul::test::findWindow;
using zul::test::screenShot;
using zul::test::sj;
using zul::test::writeAll;

namespace {

// The centre of a widget in its window. Windows built in this process and laid out without
// being put on the screen take the places the program's own do: same style, same fonts,
// same screen.
QPoint centreIn(QWidget& window, const QWidget* widget) {
    return widget->mapTo(&window, widget->rect().center());
}

void layOut(QWidget& window) {
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    QCoreApplication::processEvents();
}

// Where the console's tab "ツール" and its button "バスケット得点版" are.
struct ConsolePlaces {
    QPoint toolsTab;
    QPoint basketball;
};

ConsolePlaces consolePlaces() {
    Settings settings;
    HubState hub;
    DebugLog log;
    test::RecordingDialogs dialogs;
    test::RecordingConnection connection;
    test::RecordingDatagrams udp;
    PeerList peers;
    TClientMain console(
        TClientMain::Context{settings, hub, log, dialogs, connection, udp, peers, "measure"});
    layOut(console);
    QTabWidget* tabs = console.PageControl1();
    constexpr int kToolsTab = 4;
    EXPECT_EQ(tabs->tabText(kToolsTab), QStringLiteral("ツール"));
    tabs->setCurrentIndex(kToolsTab);
    QCoreApplication::processEvents();
    const QTabBar* bar = tabs->tabBar();
    return {bar->mapTo(&console, bar->tabRect(kToolsTab).center()),
            centreIn(console, console.findChild<QWidget*>(QStringLiteral("Basketball")))};
}

QPoint boardButton(const char* name) {
    DebugLog log;
    test::RecordingDialogs dialogs;
    Tzul_pb_main board(OperatorChannel{}, dialogs, log);
    layOut(board);
    return centreIn(board, board.findChild<QWidget*>(QString::fromLatin1(name)));
}

class ScoreBoardE2E : public test::TwoMachines {
protected:
    // No caption strip; the score part at the top right, yellow on blue, above the
    // operator's windows.
    QByteArray displaySettings() const override { return "[Font]\r\nHidden=1\r\n"; }
    void prepareDisplayFolder() override {
        writeAll(display_.filePath("score.rp1"),
                 sj("[List]\r\nRecordCount=1\r\n[Parts-1]\r\nPName=先攻得点1\r\nValue=0\r\n"
                    "X1=20\r\nY1=820\r\nX2=100\r\nY2=180\r\nwidth=768\r\nheight=1024\r\n"
                    "FColor=65535\r\nFSize=60\r\nBColor=16711680\r\nThrough=いいえ\r\n"
                    "AutoSize=いいえ\r\nchange_lock=いいえ\r\n"));
    }

    // The part's place on the screen: the area that its blue fills.
    QRect partArea() {
        const QImage shot = screenShot();
        QRect found;
        for (int y = 0; y < 300; y += 2) {
            for (int x = 640; x < shot.width(); x += 2) {
                if (shot.pixelColor(x, y) == QColor(Qt::blue)) {
                    found |= QRect(x, y, 1, 1);
                }
            }
        }
        return found;
    }
};

}  // namespace

TEST_F(ScoreBoardE2E, APointButtonClickedOnTheBoardChangesTheScorePartOnTheScreen) {
    const ConsolePlaces places = consolePlaces();
    const QPoint plusThree = boardButton("Button3");

    sendToDisplay(
        "\x2e"
        "score.rp1\n");
    QRect part;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000 && part.width() < 100) {
        QThread::msleep(200);
        part = partArea();
    }
    ASSERT_GE(part.width(), 100) << "the score part is not on the screen";
    const QImage before = screenShot().copy(part);
    ASSERT_GT(countNear(before, before.rect(), Qt::yellow), 0) << "no digit in the part";

    // Tab "ツール", button "バスケット得点版": the board comes up.
    click(places.toolsTab.x(), places.toolsTab.y());
    click(places.basketball.x(), places.basketball.y());
    const QString board = findWindow(QStringLiteral("バスケット得点板操作"), 10000);
    ASSERT_FALSE(board.isEmpty()) << "the basketball board did not open";
    QThread::msleep(500);

    // "３" of the first team: 0 becomes 3 on the display machine's screen.
    clickIn(board, plusThree);
    QImage after = screenShot().copy(part);
    t.restart();
    while (t.elapsed() < 10000 && after == before) {
        QThread::msleep(200);
        after = screenShot().copy(part);
    }
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        screenShot().save(QStringLiteral("/tmp/shot_scoreboard.png"));
    }
    EXPECT_NE(after, before) << "the score part did not change";
    EXPECT_GT(countNear(after, after.rect(), Qt::yellow), 0);
    EXPECT_GT(countNear(after, after.rect(), Qt::blue), countNear(after, after.rect(), Qt::yellow));

    const QByteArray log = displayLog();
    EXPECT_TRUE(log.contains("Op(" + sj("先攻得点1,3,,") + ")")) << "the packet did not arrive";
}
