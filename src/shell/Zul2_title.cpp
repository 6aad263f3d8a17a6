#include "shell/Zul2_title.h"

#include <QLinearGradient>
#include <QPainter>

namespace zul {

TTitle_call::TTitle_call(QWidget* hubForm)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      hubForm_(hubForm) {
    setFixedSize(350, 218);
    setAttribute(Qt::WA_DeleteOnClose, false);
    Timer1.setSingleShot(true);
    Timer1.setInterval(kShowMs);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TTitle_call::start() {
    show();
    raise();
    Timer1.start();
}

void TTitle_call::Timer1Timer() {
    Timer1.stop();
    if (hubForm_ != nullptr && (!hubWanted || hubWanted())) {
        hubForm_->showNormal();
    }
    close();
}

void TTitle_call::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(20, 60, 140));
    g.setColorAt(1, QColor(5, 20, 60));
    p.fillRect(rect(), g);
    p.setPen(Qt::white);
    QFont title = font();
    title.setPixelSize(64);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(0, 30, width(), 100), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("ZUL"));
    QFont small = font();
    small.setPixelSize(14);
    p.setFont(small);
    p.drawText(QRect(0, 130, width(), 24), Qt::AlignHCenter,
               QStringLiteral("画面合成・プレゼンテーション支援システム"));
    p.drawText(QRect(0, 180, width() - 12, 24), Qt::AlignRight,
               QStringLiteral("Version %1").arg(QStringLiteral(ZUL_VERSION)));
}

}  // namespace zul
