#include "display/hot_corner.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace zul {
namespace {

// How often a lit corner looks where the pointer is.
constexpr int kCheckMs = 150;

}  // namespace

HotCorner::HotCorner(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    check_.setInterval(kCheckMs);
    connect(&check_, &QTimer::timeout, this, &HotCorner::followPointer);
}

void HotCorner::followPointer() {
    setLit(isVisible() && rect().contains(mapFromGlobal(QCursor::pos())));
}

void HotCorner::setLit(bool lit) {
    if (lit) {
        check_.start();
    } else {
        check_.stop();
    }
    if (lit != lit_) {
        lit_ = lit;
        update();
    }
}

void HotCorner::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setLit(true);
}

void HotCorner::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setLit(false);
}

void HotCorner::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Q_EMIT pressed(event->globalPosition().toPoint());
}

void HotCorner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    setLit(false);
}

void HotCorner::paintEvent(QPaintEvent*) {
    if (lit_) {
        QPainter p(this);
        p.fillRect(rect(), QColor(0, 255, 255));
    }
}

}  // namespace zul
