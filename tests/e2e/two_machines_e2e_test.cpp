// Two real zul processes on one virtual X server: a display machine and an operator
// machine connected to it. The operator's console is driven with real X input events
// (xdotool), as a person at the keyboard would drive it.
#include "two_machines.h"

using zul::test::countNear;
using zul::test::screenShot;
using zul::test::sj;
using zul::test::TwoMachines;
using zul::test::xdotool;

TEST_F(TwoMachines, TypedCaptionAndDoubleClickedPictureReachTheDisplay) {
    // The caption script: tab "文字送信", a line typed over the hint, F1.
    click(40, 17);
    click(200, 150);
    xdotool({"key", "--clearmodifiers", "ctrl+a"});
    xdotool({"type", "--delay", "20", "E2E caption 42"});
    const QRect strip(0, 760, 1280, 36);
    const QImage before = screenShot().copy(strip);
    xdotool({"key", "F1"});
    QThread::msleep(800);
    EXPECT_NE(screenShot().copy(strip), before) << "the caption strip did not change";

    // The file list: tab "ファイル指示", double-click on the first file (red.jpg).
    click(122, 17);
    click(60, 61, 2);
    if (qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
        screenShot().save(QStringLiteral("/tmp/shot_two.png"));
    }
    const QRect uncovered(900, 100, 360, 500);  // beside the console window
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000 && countNear(screenShot(), uncovered, Qt::red) < 1000) {
        QThread::msleep(200);
    }
    EXPECT_GT(countNear(screenShot(), uncovered, Qt::red), 1000) << "the picture is not shown";

    const QByteArray log = displayLog();
    EXPECT_TRUE(log.contains(sj("PKT受信[S]: Cmd(036[1行更新") + QByteArray(33, ' ') +
                             "]) Op(E2E caption 42)"));
    EXPECT_TRUE(log.contains("Op(red.jpg)"));
}
