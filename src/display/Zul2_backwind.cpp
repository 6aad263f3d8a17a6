#include "display/Zul2_backwind.h"

#include <QPainter>
#include <QShowEvent>

#include "display/colour_key.h"

namespace zul {

TZUL_BackWind::TZUL_BackWind(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TZUL_BackWind"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("ZUL　背景"));
}

void TZUL_BackWind::setCoverColour(const QColor& colour, bool clearPicture) {
    colour_ = colour;
    if (clearPicture) {
        picture_ = QImage();
    }
    applyKey();
    update();
    Q_EMIT coverChanged();
}

void TZUL_BackWind::setCoverPicture(const QImage& picture) {
    picture_ = picture;
    applyKey();
    update();
    Q_EMIT coverChanged();
}

void TZUL_BackWind::paintCover(QPainter& painter, const QRect& rect) const {
    painter.fillRect(rect, colour_);
    if (!picture_.isNull()) {
        painter.drawImage(rect, picture_);
    }
}

void TZUL_BackWind::setColourKey(bool on, const QColor& key) {
    keyOn_ = on;
    key_ = key;
    applyKey();
}

void TZUL_BackWind::applyKey() {
    // The window is the cover: with the key on and a plain cover of exactly the key colour
    // nothing of it remains; a picture keeps its pixels that differ from the key.
    if (!keyOn_) {
        clearMask();
        return;
    }
    if (picture_.isNull()) {
        if (colour_.rgb() == key_.rgb()) {
            setMask(nothingShown());
        } else {
            clearMask();
        }
        return;
    }
    setMask(colourKeyRegion(picture_.scaled(size()), key_));
}

void TZUL_BackWind::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintCover(p, rect());
}

void TZUL_BackWind::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only when shown, not when restored from minimised (which the display window does
    // itself, and which must not undo a fade).
    if (!event->spontaneous()) {
        Q_EMIT shownWithDisplay();
    }
}

bool TZUL_BackWind::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        Q_EMIT activated();
    }
    return QWidget::event(event);
}

void TZUL_BackWind::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (keyOn_ && !picture_.isNull()) {
        applyKey();
    }
}

}  // namespace zul
