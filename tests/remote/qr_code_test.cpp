// The QR code of the remote's address: the size its version gives, the quiet zone and the
// three finder patterns a camera locks on to.
#include <gtest/gtest.h>

#include "remote/qr_code.h"

namespace zul {
namespace {

constexpr int kModule = 4;
constexpr int kQuiet = 4;

bool dark(const QImage& image, int moduleX, int moduleY) {
    return qGray(image.pixel((moduleX + kQuiet) * kModule + 1, (moduleY + kQuiet) * kModule + 1)) <
           128;
}

// A finder pattern whose top-left module is (x, y): dark ring, light ring, dark 3 x 3 core.
bool finderAt(const QImage& image, int x, int y) {
    return dark(image, x, y) && dark(image, x + 6, y + 6) && !dark(image, x + 1, y + 1) &&
           !dark(image, x + 5, y + 5) && dark(image, x + 2, y + 2) && dark(image, x + 3, y + 3) &&
           dark(image, x + 4, y + 4);
}

TEST(QrCode, AnAddressGivesAReadableSymbol) {
    const QImage image = qrCodeImage(QStringLiteral("http://192.168.100.200:30080/"), kModule);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), image.height());
    const int modules = image.width() / kModule - 2 * kQuiet;
    // 29 bytes at level M need version 3: 29 modules a side.
    EXPECT_EQ(modules, 29);
    EXPECT_TRUE(finderAt(image, 0, 0));
    EXPECT_TRUE(finderAt(image, modules - 7, 0));
    EXPECT_TRUE(finderAt(image, 0, modules - 7));
    EXPECT_FALSE(finderAt(image, modules - 7, modules - 7));
    for (int i = 0; i < image.width(); i += 2) {
        EXPECT_EQ(qGray(image.pixel(i, 1)), 255) << "the quiet zone is white";
        EXPECT_EQ(qGray(image.pixel(1, i)), 255) << "the quiet zone is white";
    }
    EXPECT_GT(qrCodeImage(QString(200, QLatin1Char('a'))).width(), image.width());
}

}  // namespace
}  // namespace zul
