#pragma once

// A QR code of a short text (the address of the browser remote), for a phone's camera.

#include <QImage>
#include <QString>

namespace zul {

// Black modules on white, `moduleSize` pixels each, with the four-module quiet zone; a null
// image when the text cannot be encoded.
QImage qrCodeImage(const QString& text, int moduleSize = 4);

}  // namespace zul
