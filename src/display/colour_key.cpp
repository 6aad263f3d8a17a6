#include "display/colour_key.h"

#include <QBitmap>

namespace zul {

QRegion nothingShown() {
    return {-1, -1, 1, 1};
}

QRegion colourKeyRegion(const QImage& picture, QColor key) {
    const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
    // The colour mask "in" the key paints the key pixels white; a bitmap takes white as
    // colour0, the pixels that a window mask leaves out.
    const QRegion kept(QBitmap::fromImage(opaque.createMaskFromColor(key.rgb(), Qt::MaskInColor)));
    return kept.isEmpty() ? nothingShown() : kept;
}

}  // namespace zul
