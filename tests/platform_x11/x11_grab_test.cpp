// Reading the X screen's pixels over a connection of its own, from another thread, as the
// browser remote's picture of the audience screen is made.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <future>

#include "platform/x11_grab.h"
#include "waiting_and_ports.h"

namespace zul {
namespace {

int countOf(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return n;
}

TEST(X11Grab, AnAreaOfTheScreenIsReadFromAnotherThread) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs an X server";
    }
    QWidget red;
    red.setWindowFlags(Qt::FramelessWindowHint);
    red.setStyleSheet(QStringLiteral("background: #ff0000"));
    red.setGeometry(100, 80, 200, 120);
    red.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&red));
    const QRect where(red.mapToGlobal(QPoint(0, 0)), red.size());
    ASSERT_TRUE(test::waitFor(
        [&] {
            return countOf(
                       std::async(std::launch::async, [&] { return grabScreenArea(where); }).get(),
                       qRgb(255, 0, 0)) == 200 * 120;
        },
        10000))
        << "the red window was not read back whole";

    // An area that reaches past the screen is cut to it.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QImage edge = grabScreenArea(QRect(screen.width() - 10, screen.height() - 20, 100, 100));
    EXPECT_EQ(edge.size(), QSize(10, 20));
    EXPECT_TRUE(grabScreenArea(QRect(screen.width() + 5, 0, 50, 50)).isNull());
}

}  // namespace
}  // namespace zul
