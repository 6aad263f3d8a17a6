// IPtalk's window placed, captured, kept on top, hidden and shown: a stand-in of class
// "Ttalk2e" on a virtual X server managed by openbox (see xvfb.sh --wm).
#include <gtest/gtest.h>

#include <QCheckBox>

#include "external/Zul2_iptalk9s.h"
#include "external/iptalk.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "standin_window.h"
#include "x11_stacking.h"

namespace zul {
namespace {

using test::managed;
using test::onTop;
using test::RecordingConnection;
using test::settles;
using test::StandinWindow;

StandinWindow::Options ttalk(const QRect& geometry = {}, const QString& cls = "Ttalk2e") {
    StandinWindow::Options o;
    o.windowClass = cls;
    o.geometry = geometry;
    return o;
}

class IptalkWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!windows.available()) {
            GTEST_SKIP() << "no X display";
        }
    }

    void setBoxes(const QRect& r) {
        settings.Iptalk_top.set(r.x());
        settings.Iptalk_left.set(r.y());
        settings.Iptalk_width.set(r.width());
        settings.Iptalk_height.set(r.height());
    }
    QRect boxes() const {
        return {settings.Iptalk_top(), settings.Iptalk_left(), settings.Iptalk_width(),
                settings.Iptalk_height()};
    }
    bool at(WindowId w, const QRect& r) {
        return settles([&] { return windows.rect(w) == r; });
    }

    Settings settings;
    DebugLog log;
    X11Windows windows;
    RecordingConnection connection;
    IptalkCooperation iptalk{{settings, log, windows, {&connection, {}}}};
};

TEST_F(IptalkWindow, PlacingMovesTheWindowToTheBoxesAndIntoOrOutOfTheTopmostBand) {
    StandinWindow w(ZUL_WINDOW_STANDIN, ttalk());
    ASSERT_TRUE(managed(windows, w.id()));
    EXPECT_EQ(iptalk.iptalkWindow(), w.id());

    setBoxes({120, 90, 640, 300});
    settings.Iptalk_topmost.set(true);
    iptalk.PlaceIptalk();
    EXPECT_TRUE(at(w.id(), {120, 90, 640, 300}));
    EXPECT_TRUE(settles([&] { return windows.isTopmost(w.id()); }));

    setBoxes({0, 0, 300, 100});
    settings.Iptalk_topmost.set(false);
    iptalk.PlaceIptalk();
    EXPECT_TRUE(at(w.id(), {0, 0, 300, 100}));
    EXPECT_TRUE(settles([&] { return !windows.isTopmost(w.id()); }));
}

TEST_F(IptalkWindow, CaptureThenPlaceOnTheSameMachineLeavesTheWindowWhereItWas) {
    StandinWindow w(ZUL_WINDOW_STANDIN, ttalk({333, 222, 456, 123}));
    ASSERT_TRUE(managed(windows, w.id()));
    const auto before = windows.rect(w.id());
    ASSERT_TRUE(before);
    iptalk.CaptureIptalk();  // "現状のサイズを取得"
    EXPECT_EQ(boxes(), *before);
    iptalk.PlaceIptalk();  // "自分のPCで試す"
    QTest::qWait(300);
    EXPECT_EQ(windows.rect(w.id()), before);
}

TEST_F(IptalkWindow, PositionPacketWithMinus100KeepsThePositionAndSetsSizeAndKeepOnTop) {
    StandinWindow w(ZUL_WINDOW_STANDIN, ttalk());
    ASSERT_TRUE(managed(windows, w.id()));
    windows.setRect(w.id(), {150, 120, 400, 100});
    ASSERT_TRUE(at(w.id(), {150, 120, 400, 100}));
    setBoxes({1, 2, 3, 4});  // stale boxes: the window's own rectangle counts

    iptalk.CmdIptalkPosition("-100 -100 800 200 1 0");
    EXPECT_TRUE(at(w.id(), {150, 120, 800, 200}));
    EXPECT_EQ(boxes(), QRect(150, 120, 800, 200));
    EXPECT_TRUE(settings.Iptalk_topmost());
    EXPECT_FALSE(settings.IPtalk_sync());
    EXPECT_TRUE(iptalk.Idle().isActive());
    EXPECT_TRUE(settles([&] { return windows.isTopmost(w.id()); }));

    // Without the keep-on-top flag the timer stops and the window leaves the band.
    iptalk.CmdIptalkPosition("10,-100,-100,-100,0,1");
    EXPECT_TRUE(at(w.id(), {10, 120, 800, 200}));
    EXPECT_FALSE(iptalk.Idle().isActive());
    EXPECT_TRUE(settings.IPtalk_sync());
    EXPECT_TRUE(settles([&] { return !windows.isTopmost(w.id()); }));
}

TEST_F(IptalkWindow, TheKeepOnTopTickPutsTheWindowBackOnTop) {
    StandinWindow w(ZUL_WINDOW_STANDIN, ttalk());
    StandinWindow other(ZUL_WINDOW_STANDIN, ttalk({}, QStringLiteral("Other")));
    ASSERT_TRUE(managed(windows, w.id()));
    ASSERT_TRUE(managed(windows, other.id()));
    iptalk.CmdIptalkPosition("-100 -100 -100 -100 1 0");
    ASSERT_TRUE(settles([&] { return onTop(w.id()); }));

    // Someone else takes the state away and brings another window up.
    X11Windows someoneElse;
    someoneElse.setTopmost(w.id(), false);
    someoneElse.raise(other.id());
    ASSERT_TRUE(settles([&] { return onTop(other.id()); }));
    // Within a tick or two it is back.
    EXPECT_TRUE(settles([&] { return windows.isTopmost(w.id()) && onTop(w.id()); }));
}

TEST_F(IptalkWindow, HidingAndShowingKeepPositionAndSizeAndTheTickDoesNotUndoAHide) {
    StandinWindow w(ZUL_WINDOW_STANDIN, ttalk());
    StandinWindow other(ZUL_WINDOW_STANDIN, ttalk({}, QStringLiteral("Other")));
    ASSERT_TRUE(managed(windows, w.id()));
    ASSERT_TRUE(managed(windows, other.id()));
    iptalk.CmdIptalkPosition("200 150 500 120 1 0");
    ASSERT_TRUE(at(w.id(), {200, 150, 500, 120}));

    iptalk.HideIptalk();
    ASSERT_TRUE(settles([&] { return !windows.isMapped(w.id()); }));
    EXPECT_TRUE(iptalk.windowExists());
    // The keep-on-top timer runs: a hidden IPtalk stays hidden.
    QTest::qWait(2 * IptalkCooperation::kIdleMs + 200);
    EXPECT_FALSE(windows.isMapped(w.id()));

    iptalk.ShowIptalk();
    ASSERT_TRUE(managed(windows, w.id()));
    EXPECT_TRUE(at(w.id(), {200, 150, 500, 120}));
    EXPECT_TRUE(settles([&] { return onTop(w.id()); }));

    // Hidden again, then placed: shown at the new place.
    iptalk.HideIptalk();
    ASSERT_TRUE(settles([&] { return !windows.isMapped(w.id()); }));
    iptalk.CmdIptalkPosition("-100 -100 600 -100 1 0");
    ASSERT_TRUE(managed(windows, w.id()));
    EXPECT_TRUE(at(w.id(), {200, 150, 600, 120}));
}

TEST_F(IptalkWindow, WithoutIptalkNothingIsTouchedAndThePacketStillSetsTheBoxes) {
    StandinWindow other(ZUL_WINDOW_STANDIN, ttalk({50, 60, 300, 100}, QStringLiteral("Ttalk2ee")));
    ASSERT_TRUE(managed(windows, other.id()));
    const auto otherRect = windows.rect(other.id());
    EXPECT_FALSE(iptalk.windowExists());
    setBoxes({5, 6, 7, 8});
    iptalk.CaptureIptalk();  // no substitute either
    EXPECT_EQ(boxes(), QRect(5, 6, 7, 8));
    iptalk.PlaceIptalk();
    iptalk.HideIptalk();
    iptalk.ShowIptalk();
    iptalk.IdleTimer();
    iptalk.CmdIptalkPosition("1024 0 -100 300 1 1");
    EXPECT_EQ(boxes(), QRect(1024, 0, 7, 300));
    EXPECT_TRUE(settings.Iptalk_topmost());
    EXPECT_TRUE(settings.IPtalk_sync());
    QTest::qWait(200);
    EXPECT_EQ(windows.rect(other.id()), otherRect);
    EXPECT_TRUE(windows.isMapped(other.id()));
    EXPECT_FALSE(windows.isTopmost(other.id()));
}

TEST_F(IptalkWindow, CaptureTakesTheSubstituteOnlyWhileIptalkDoesNotRun) {
    Ttalk2 substitute(iptalk);
    iptalk.setSubstitute(&substitute);
    substitute.setGeometry(300, 250, 603, 108);
    substitute.show();
    ASSERT_TRUE(managed(windows, substitute.winId()));
    const auto outer = windows.rect(substitute.winId());
    ASSERT_TRUE(outer);
    iptalk.CaptureIptalk();
    EXPECT_EQ(boxes(), *outer);

    StandinWindow w(ZUL_WINDOW_STANDIN, ttalk({10, 20, 400, 90}));
    ASSERT_TRUE(managed(windows, w.id()));
    iptalk.CaptureIptalk();
    EXPECT_EQ(boxes(), windows.rect(w.id()).value());
}

TEST_F(IptalkWindow, TheSubstituteWithItsBoxOnSendsOnePacketPerResizeWithItsRectangle) {
    Ttalk2 substitute(iptalk);
    iptalk.setSubstitute(&substitute);
    substitute.show();
    ASSERT_TRUE(managed(windows, substitute.winId()));
    settings.Iptalk_topmost.set(true);
    QTest::qWait(200);
    EXPECT_TRUE(connection.sent.isEmpty()) << "box off: nothing is sent";

    substitute.autoSendBox()->setChecked(true);
    QTest::qWait(200);  // the box's repaint may send the placement as it stands
    const QSize sizes[] = {{640, 200}, {700, 240}, {720, 260}};
    for (const QSize& size : sizes) {
        const qsizetype before = connection.sent.size();
        windows.resize(substitute.winId(), size);
        ASSERT_TRUE(settles(
            [&] { return windows.rect(substitute.winId()).value_or(QRect()).size() == size; }));
        QTest::qWait(200);  // the repaint that follows sends nothing more
        ASSERT_EQ(connection.sent.size(), before + 1) << size.width();
        const QRect r = windows.rect(substitute.winId()).value();
        EXPECT_EQ(connection.sent.back(), "\x28" + QByteArray::number(r.x()) + ' ' +
                                              QByteArray::number(r.y()) + ' ' +
                                              QByteArray::number(size.width()) + ' ' +
                                              QByteArray::number(size.height()) + " 1 0\n");
    }

    // IPtalk itself runs on this machine: its rectangle goes instead.
    StandinWindow w(ZUL_WINDOW_STANDIN, ttalk({10, 20, 400, 90}));
    ASSERT_TRUE(managed(windows, w.id()));
    windows.resize(substitute.winId(), {650, 150});
    ASSERT_TRUE(settles([&] {
        return windows.rect(substitute.winId()).value_or(QRect()).size() == QSize(650, 150);
    }));
    const QRect r = windows.rect(w.id()).value();
    ASSERT_TRUE(settles([&] {
        return connection.sent.back() ==
               "\x28" + QByteArray::number(r.x()) + ' ' + QByteArray::number(r.y()) + ' ' +
                   QByteArray::number(r.width()) + ' ' + QByteArray::number(r.height()) + " 1 0\n";
    }));
}

}  // namespace
}  // namespace zul
