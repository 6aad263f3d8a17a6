#include "external/Zul2_iptalk9s.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "external/iptalk.h"
#include "model/settings.h"

namespace zul {

Ttalk2::Ttalk2(IptalkCooperation& iptalk, QWidget* parent)
    : QWidget(parent, Qt::Window), iptalk_(iptalk) {
    setObjectName(QStringLiteral("Ttalk2"));
    setWindowTitle(QStringLiteral("IPtalk9s のかわり"));
    setMouseTracking(true);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("IPtalk9sの代わりです。サイズを指定してください。"));
    // Clicks and mouse moves over the text count as over the window.
    text->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(text);
    autoSend_ = new QCheckBox(QStringLiteral("サイズ変更時自動送信する"));
    autoSend_->setObjectName(QStringLiteral("CheckBox1"));
    layout->addWidget(autoSend_);
    layout->addStretch(1);
    resize(kWidth, kHeight);
}

void Ttalk2::follow(Change when) {
    if (!autoSend_->isChecked()) {
        return;
    }
    iptalk_.CaptureIptalk();
    // The placement as it goes out (the capture may take IPtalk's own window instead).
    const Settings& s = iptalk_.settings();
    const std::array<int, 6> placement{s.Iptalk_top(),
                                       s.Iptalk_left(),
                                       s.Iptalk_width(),
                                       s.Iptalk_height(),
                                       s.Iptalk_topmost() ? 1 : 0,
                                       s.IPtalk_sync() ? 1 : 0};
    if (when == Change::Only && placement == lastSent_) {
        return;
    }
    lastSent_ = placement;
    iptalk_.SendIptalkPlacement();
}

void Ttalk2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    follow(Change::Any);
}

void Ttalk2::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    follow(Change::Only);
}

void Ttalk2::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    follow(Change::Only);
}

void Ttalk2::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    follow(Change::Any);
}

void Ttalk2::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    follow(Change::Only);
}

}  // namespace zul
