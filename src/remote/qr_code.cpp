#include "remote/qr_code.h"

#include <qrencode.h>

#include <QPainter>
#include <memory>

namespace zul {
namespace {

constexpr int kQuietModules = 4;

}  // namespace

QImage qrCodeImage(const QString& text, int moduleSize) {
    const QByteArray utf8 = text.toUtf8();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code || code->width <= 0 || moduleSize <= 0) {
        return {};
    }
    const int modules = code->width + 2 * kQuietModules;
    QImage image(modules * moduleSize, modules * moduleSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if ((code->data[y * code->width + x] & 1) != 0) {
                painter.fillRect((x + kQuietModules) * moduleSize, (y + kQuietModules) * moduleSize,
                                 moduleSize, moduleSize, Qt::black);
            }
        }
    }
    return image;
}

}  // namespace zul
