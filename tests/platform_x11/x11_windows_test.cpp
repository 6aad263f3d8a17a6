// The window functions on real foreign windows: stand-in programs on a virtual X server
// managed by openbox (see xvfb.sh --wm).
#include <gtest/gtest.h>

#include <QStringList>

#include "platform/x11_windows.h"
#include "standin_window.h"
#include "waiting_and_ports.h"
#include "x11_stacking.h"

namespace zul {
namespace {

using test::above;
using test::settles;
using test::StandinWindow;
using test::waitFor;

std::string text(const std::optional<QRect>& r) {
    if (!r) {
        return "none";
    }
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r->x())
        .arg(r->y())
        .arg(r->width())
        .arg(r->height())
        .toStdString();
}

class X11WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!windows.available()) {
            GTEST_SKIP() << "no X display: " << log.join(QLatin1Char(' ')).toStdString();
        }
    }

    StandinWindow::Options standin(const QString& cls, const QRect& geometry = {}) {
        StandinWindow::Options o;
        o.windowClass = cls;
        o.geometry = geometry;
        return o;
    }

    ::testing::AssertionResult managed(WindowId w) { return test::managed(windows, w); }

    QStringList log;
    X11Windows windows{[this](const QString& line) { log << line; }};
};

TEST_F(X11WindowsTest, FindsATopLevelWindowByItsExactClassOrTitle) {
    StandinWindow::Options o = standin(QStringLiteral("Ttalk2e"));
    o.title = QStringLiteral("IPtalk9s のかわり");
    StandinWindow ttalk(ZUL_WINDOW_STANDIN, o);
    StandinWindow other(ZUL_WINDOW_STANDIN, standin(QStringLiteral("Ttalk2")));
    ASSERT_NE(ttalk.id(), 0U);
    ASSERT_NE(other.id(), 0U);
    ASSERT_TRUE(managed(ttalk.id()));

    struct Case {
        QByteArray cls;
        WindowId expected;
    };
    const Case cases[] = {
        {"Ttalk2e", ttalk.id()}, {"Ttalk2", other.id()},
        {"ttalk2e", 0},          {"Ttalk", 0},
        {"Ttalk2ee", 0},         {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windows.findByClass(c.cls), c.expected) << c.cls.constData();
    }
    EXPECT_EQ(windows.findByTitle(QStringLiteral("IPtalk9s のかわり")), ttalk.id());
    EXPECT_EQ(windows.findByTitle(QStringLiteral("IPtalk9s")), 0U);
}

TEST_F(X11WindowsTest, FindsAWindowThatWasNeverShownOrHasBeenHidden) {
    StandinWindow::Options o = standin(QStringLiteral("Ttalk2e"));
    o.hidden = true;
    StandinWindow hidden(ZUL_WINDOW_STANDIN, o);
    ASSERT_NE(hidden.id(), 0U);
    EXPECT_EQ(windows.findByClass("Ttalk2e"), hidden.id());
    EXPECT_FALSE(windows.isMapped(hidden.id()));

    // A shown window of the same class is preferred.
    StandinWindow shown(ZUL_WINDOW_STANDIN, standin(QStringLiteral("Ttalk2e")));
    ASSERT_TRUE(managed(shown.id()));
    EXPECT_EQ(windows.findByClass("Ttalk2e"), shown.id());
    windows.unmap(shown.id());
    ASSERT_TRUE(settles([&] { return !windows.isMapped(shown.id()); }));
    EXPECT_NE(windows.findByClass("Ttalk2e"), 0U);
}

TEST_F(X11WindowsTest, ARectangleReadAndGivenBackLeavesTheWindowWhereItWas) {
    StandinWindow w(ZUL_WINDOW_STANDIN,
                    standin(QStringLiteral("Ttalk2e"), QRect(200, 150, 400, 100)));
    ASSERT_TRUE(managed(w.id()));
    const auto before = windows.rect(w.id());
    ASSERT_TRUE(before.has_value());
    for (int i = 0; i < 3; ++i) {
        windows.setRect(w.id(), *windows.rect(w.id()));
        QTest::qWait(100);
    }
    EXPECT_EQ(windows.rect(w.id()), before);
}

TEST_F(X11WindowsTest, PlacesTheOuterRectangleFrameIncluded) {
    StandinWindow w(ZUL_WINDOW_STANDIN, standin(QStringLiteral("Ttalk2e")));
    ASSERT_TRUE(managed(w.id()));
    const QRect cases[] = {{100, 50, 640, 480}, {0, 0, 800, 200}, {321, 123, 300, 90}};
    for (const QRect& target : cases) {
        windows.setRect(w.id(), target);
        EXPECT_TRUE(settles([&] { return windows.rect(w.id()) == target; }))
            << text(target) << " became " << text(windows.rect(w.id()));
    }
    windows.move(w.id(), {40, 30});
    EXPECT_TRUE(settles([&] { return windows.rect(w.id()) == QRect(40, 30, 300, 90); }));
    windows.resize(w.id(), {500, 250});
    EXPECT_TRUE(settles([&] { return windows.rect(w.id()) == QRect(40, 30, 500, 250); }));
}

TEST_F(X11WindowsTest, HidingAndShowingKeepPositionAndSize) {
    StandinWindow w(ZUL_WINDOW_STANDIN, standin(QStringLiteral("Ttalk2e")));
    ASSERT_TRUE(managed(w.id()));
    windows.setRect(w.id(), {300, 200, 500, 150});
    ASSERT_TRUE(settles([&] { return windows.rect(w.id()) == QRect(300, 200, 500, 150); }));
    for (int i = 0; i < 2; ++i) {
        windows.unmap(w.id());
        ASSERT_TRUE(settles([&] { return !windows.isMapped(w.id()); }));
        windows.map(w.id());
        ASSERT_TRUE(managed(w.id()));
        EXPECT_TRUE(settles([&] { return windows.rect(w.id()) == QRect(300, 200, 500, 150); }))
            << "round " << i << ": " << text(windows.rect(w.id()));
    }
}

TEST_F(X11WindowsTest, ATopmostWindowStaysAboveAndIsSetAgainAfterMapping) {
    StandinWindow ttalk(ZUL_WINDOW_STANDIN, standin(QStringLiteral("Ttalk2e")));
    ASSERT_TRUE(managed(ttalk.id()));
    windows.setTopmost(ttalk.id(), true);
    ASSERT_TRUE(settles([&] { return windows.isTopmost(ttalk.id()); }));

    // A window that comes later and is raised stays below it.
    StandinWindow later(ZUL_WINDOW_STANDIN, standin(QStringLiteral("Other")));
    ASSERT_TRUE(managed(later.id()));
    windows.raise(later.id());
    QTest::qWait(200);
    EXPECT_TRUE(above(ttalk.id(), later.id()));

    // The window manager drops the state on unmapping; mapping sets it again.
    windows.unmap(ttalk.id());
    ASSERT_TRUE(settles([&] { return !windows.isMapped(ttalk.id()); }));
    windows.map(ttalk.id());
    ASSERT_TRUE(managed(ttalk.id()));
    EXPECT_TRUE(settles([&] { return windows.isTopmost(ttalk.id()); }));
    windows.raise(later.id());
    QTest::qWait(200);
    EXPECT_TRUE(above(ttalk.id(), later.id()));

    windows.setTopmost(ttalk.id(), false);
    ASSERT_TRUE(settles([&] { return !windows.isTopmost(ttalk.id()); }));
    windows.raise(later.id());
    EXPECT_TRUE(settles([&] { return above(later.id(), ttalk.id()); }));
}

TEST_F(X11WindowsTest, RaiseAndLowerChangeTheStackingOrder) {
    StandinWindow a(ZUL_WINDOW_STANDIN, standin(QStringLiteral("A")));
    StandinWindow b(ZUL_WINDOW_STANDIN, standin(QStringLiteral("B")));
    ASSERT_TRUE(managed(a.id()));
    ASSERT_TRUE(managed(b.id()));
    windows.raise(a.id());
    EXPECT_TRUE(settles([&] { return above(a.id(), b.id()); }));
    windows.lower(a.id());
    EXPECT_TRUE(settles([&] { return above(b.id(), a.id()); }));
    windows.raise(a.id());
    EXPECT_TRUE(settles([&] { return above(a.id(), b.id()); }));
}

TEST_F(X11WindowsTest, AWindowThatHasGoneIsLeftAloneWithoutAnError) {
    StandinWindow w(ZUL_WINDOW_STANDIN, standin(QStringLiteral("Ttalk2e")));
    ASSERT_TRUE(managed(w.id()));
    const WindowId id = w.id();
    windows.setTopmost(id, true);
    w.stop();
    ASSERT_TRUE(settles([&] { return !windows.exists(id); }));
    // Each of these would end the process under Xlib's own error handler.
    EXPECT_FALSE(windows.rect(id).has_value());
    EXPECT_FALSE(windows.isMapped(id));
    EXPECT_FALSE(windows.isTopmost(id));
    windows.setRect(id, {0, 0, 100, 100});
    windows.move(id, {1, 1});
    windows.resize(id, {50, 50});
    windows.raise(id);
    windows.lower(id);
    windows.unmap(id);
    windows.map(id);
    windows.setTopmost(id, false);
    EXPECT_EQ(windows.findByClass("Ttalk2e"), 0U);
    EXPECT_TRUE(windows.available());
}

TEST(X11WindowsNoDisplay, ADisplayThatCannotBeReachedMakesEveryCallANoOp) {
    QStringList log;
    X11Windows windows(":987", [&log](const QString& line) { log << line; });
    EXPECT_FALSE(windows.available());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.front().contains(QStringLiteral(":987")));
    EXPECT_EQ(windows.findByClass("Ttalk2e"), 0U);
    EXPECT_EQ(windows.findByTitle(QStringLiteral("x")), 0U);
    EXPECT_FALSE(windows.rect(1).has_value());
    windows.setRect(1, {0, 0, 10, 10});
    windows.setTopmost(1, true);
    windows.map(1);
    windows.unmap(1);
    windows.raise(1);
    windows.lower(1);
    EXPECT_EQ(log.size(), 1);
}

}  // namespace
}  // namespace zul
