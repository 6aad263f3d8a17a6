#include "display/caption_strip.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "protocol/screen_bounds.h"

namespace zul {

QFont captionFont(const QString& family, int size) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    // A scaled caption size: at most the largest font on the tallest screen.
    const int limit = kMaxFontPoints * kMaxScreenPixels / 768;
    size = std::clamp(size, -limit, limit);
    const double px = std::abs(size) * 96.0 / 72.0;
    if (px < 1.0) {
        font.setPixelSize(1);
        return font;
    }
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
    if (size < 0) {
        // A cell height: shrink the em so that ascent + descent fill the cell.
        const int cell = QFontMetrics(font).height();
        if (cell > 0) {
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(px * px / cell))));
        }
    }
    return font;
}

CaptionStrip::CaptionStrip(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CaptionStrip::setLook(const QFont& font, const QColor& text, const QColor& back) {
    setFont(font);
    text_ = text;
    back_ = back;
    update();
}

void CaptionStrip::setCentered(bool on) {
    if (centered_ != on) {
        centered_ = on;
        update();
    }
}

void CaptionStrip::setOwnText(const QString& text) {
    if (own_ != text) {
        own_ = text;
        update();
    }
}

void CaptionStrip::drawScrolling(const QString& text, int x) {
    const int dx = x - scrollX_;
    if (own_.isEmpty() && text == scrolling_ && std::abs(dx) < width()) {
        // The same text further on: the pixels already drawn move, and only the band they
        // uncover is painted again.
        scrollX_ = x;
        if (dx != 0) {
            scroll(dx, 0);
        }
        return;
    }
    own_.clear();
    scrolling_ = text;
    scrollX_ = x;
    update();
}

void CaptionStrip::blank() {
    if (own_.isEmpty() && scrolling_.isEmpty()) {
        return;
    }
    own_.clear();
    scrolling_.clear();
    update();
}

int CaptionStrip::textWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text);
}

void CaptionStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), back_);
    p.setPen(text_);
    p.setFont(font());
    if (!own_.isEmpty()) {
        const Qt::Alignment align = (centered_ ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
        p.drawText(rect(), static_cast<int>(align) | Qt::TextSingleLine, own_);
    } else if (!scrolling_.isEmpty()) {
        const QFontMetrics fm(font());
        p.drawText(scrollX_, 1 + fm.ascent(), scrolling_);
    }
}

}  // namespace zul
