#include "content/Zul2_posview.h"

#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "content/Zul2_fpset.h"
#include "content/parts_editing.h"

namespace zul {
namespace {

// A window with its system menu (and the close box it brings) but no minimise or maximise.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;
constexpr int kMinOpacity = 10;
constexpr int kMaxOpacity = 255;

}  // namespace

TPosView::TPosView(TFP_Edit& editor, QWidget* parent)
    : QWidget(parent, kWindowFlags), editor_(editor) {
    setObjectName(QStringLiteral("PosView"));
    setWindowTitle(QStringLiteral("位置決めツール"));

    // Everything the window shows lies on one body that fades over the screen picture.
    body_ = new QWidget;
    body_->setObjectName(QStringLiteral("Body"));
    body_->setAutoFillBackground(true);
    fade_ = new QGraphicsOpacityEffect(body_);
    fade_->setOpacity(1.0);
    fade_->setEnabled(false);
    body_->setGraphicsEffect(fade_);

    auto* hint = new QLabel(QStringLiteral("大体の大きさ／位置を決め、OKを押してください。"));
    hint->setWordWrap(true);
    Button1_ = new QPushButton(QStringLiteral("OK"));
    Button1_->setObjectName(QStringLiteral("Button1"));
    connect(Button1_, &QPushButton::clicked, this, &TPosView::Button1Click);
    // Sized down to a small part the button may not show: Enter does the same.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, &TPosView::Button1Click);
    }
    TrackBar1_ = new QSlider(Qt::Horizontal);
    TrackBar1_->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1_->setRange(kMinOpacity, kMaxOpacity);
    TrackBar1_->setValue(kMaxOpacity);
    connect(TrackBar1_, &QSlider::valueChanged, this, &TPosView::TrackBar1Change);

    auto* slider = new QHBoxLayout;
    slider->addWidget(new QLabel(QStringLiteral("フォームの透過率")));
    slider->addWidget(TrackBar1_, 1);
    auto* bodyLayout = new QVBoxLayout(body_);
    auto* top = new QHBoxLayout;
    top->addWidget(hint, 1);
    top->addWidget(Button1_);
    bodyLayout->addLayout(top);
    bodyLayout->addLayout(slider);
    bodyLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window takes the size of the part it stands for, however small: its contents do
    // not hold it larger.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    body_->setMinimumSize(0, 0);
    body_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(body_);
    resize(kWidth, kHeight);
}

void TPosView::TrackBar1Change(int value) {
    opacity_ = std::clamp(value, kMinOpacity, kMaxOpacity);
    fade_->setOpacity(double(opacity_) / kMaxOpacity);
    fade_->setEnabled(opacity_ < kMaxOpacity);
    update();
}

void TPosView::Button1Click() {
    // The whole window, its frame included, in screen pixels. The window stays open.
    const QRect r = frameGeometry();
    editor_.setSelectedRowCell(kColTop, QByteArray::number(r.top()));
    editor_.setSelectedRowCell(kColLeft, QByteArray::number(r.left()));
    editor_.setSelectedRowCell(kColHeight, QByteArray::number(r.height()));
    editor_.setSelectedRowCell(kColWidth, QByteArray::number(r.width()));
}

void TPosView::setVisible(bool visible) {
    if (visible && !isVisible()) {
        takeBackdrop();
    }
    QWidget::setVisible(visible);
}

// The screen under the window, taken while the window is not on it.
void TPosView::takeBackdrop() {
    QScreen* s = QGuiApplication::screenAt(frameGeometry().center());
    if (s == nullptr) {
        s = screen();
    }
    if (s == nullptr) {
        backdrop_ = QPixmap();
        return;
    }
    backdrop_ = s->grabWindow(0);
    backdropScreen_ = s->geometry();
}

void TPosView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (backdrop_.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    const qreal ratio = backdrop_.devicePixelRatio();
    const QPoint at = mapToGlobal(QPoint(0, 0)) - backdropScreen_.topLeft();
    const QRectF source(at.x() * ratio, at.y() * ratio, width() * ratio, height() * ratio);
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(QRectF(rect()), backdrop_, source);
}

void TPosView::moveEvent(QMoveEvent* event) {
    // Another part of the screen picture lies under the window now.
    update();
    QWidget::moveEvent(event);
}

}  // namespace zul
