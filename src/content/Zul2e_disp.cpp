#include "content/Zul2e_disp.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <algorithm>
#include <optional>

#include "content/Zul2_fpset.h"
#include "content/parts_editing.h"

namespace zul {

// The picture control: the editor's preview picture stretched over the control (or kept in
// its proportions, centred), with the rubber band of a drag drawn over it in inverted
// colours. Mouse input goes to the preview window.
class TRE_Disp::PicturePanel : public QWidget {
public:
    PicturePanel(TRE_Disp& owner, TFP_Edit& editor)
        : QWidget(&owner), owner_(owner), editor_(editor) {
        setObjectName(QStringLiteral("Panel1"));
        setCursor(Qt::CrossCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // The rubber band from `from` to `to` in the picture's own coordinates; none when empty.
    void setBand(std::optional<QRect> band) {
        band_ = band;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        const QImage& picture = editor_.previewPicture();
        if (picture.isNull() || width() <= 0 || height() <= 0) {
            return;
        }
        const QRect target = pictureTarget(picture.size());
        painter.drawImage(target, picture);
        if (!band_) {
            return;
        }
        painter.setClipRect(target);
        painter.translate(target.topLeft());
        painter.scale(double(target.width()) / picture.width(),
                      double(target.height()) / picture.height());
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        QPen pen(Qt::white);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(band_->normalized());
    }

    void mousePressEvent(QMouseEvent* event) override {
        owner_.Panel1MouseDown(event->button(), event->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        owner_.Panel1MouseMove(event->position().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        owner_.Panel1MouseUp(event->button(), event->position().toPoint());
    }

private:
    // Where the picture lies in the control: all of it, or centred in its proportions.
    QRect pictureTarget(QSize picture) const {
        if (!editor_.keepAspect()) {
            return rect();
        }
        const QSize fitted = picture.scaled(size(), Qt::KeepAspectRatio);
        return {QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted};
    }

    TRE_Disp& owner_;
    TFP_Edit& editor_;
    std::optional<QRect> band_;
};

TRE_Disp::TRE_Disp(TFP_Edit& editor, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), editor_(editor) {
    setObjectName(QStringLiteral("RE_Disp"));
    setWindowTitle(QStringLiteral("画面イメージ"));
    Panel1_ = new PicturePanel(*this, editor);
    StrFlame_ =
        new QLabel(QStringLiteral("文字枠のサンプルです。ここに文字が表示されます。"), this);
    StrFlame_->setObjectName(QStringLiteral("StrFlame"));
    StrFlame_->setAutoFillBackground(true);
    QPalette palette = StrFlame_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    StrFlame_->setPalette(palette);
    StrFlame_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(&editor_, &TFP_Edit::previewLayoutChanged, this, &TRE_Disp::FormShow);
    connect(&editor_, &TFP_Edit::previewPictureChanged, Panel1_, [this] { Panel1_->update(); });
    FormShow();
}

QWidget* TRE_Disp::Panel1() const {
    return Panel1_;
}

void TRE_Disp::showEvent(QShowEvent* event) {
    FormShow();
    QWidget::showEvent(event);
}

void TRE_Disp::FormShow() {
    screen_ = previewScreenSize(editor_.displaySizeChoice(), screen_);
    const int ppi = logicalDpiY();
    const int strip = previewStripHeight(editor_.stripShown(), editor_.stripFontSize(), ppi);
    const PreviewLayout layout = previewLayout(screen_, strip);
    setFixedSize(layout.window);
    Panel1_->setGeometry(layout.picture);
    StrFlame_->setGeometry(layout.strip);
    StrFlame_->setVisible(strip > 0);
    // The caption font at its display size, halved as the whole preview is.
    QFont font = StrFlame_->font();
    font.setPixelSize(std::max(1, editor_.stripFontSize() * ppi / 72 / 2));
    StrFlame_->setFont(font);
    Panel1_->update();
}

void TRE_Disp::Panel1MouseDown(Qt::MouseButton button, QPoint at) {
    if (button != Qt::LeftButton) {
        return;
    }
    const QPoint p = keepInside(at, Panel1_->size());
    editor_.setSelectedRowCell(kColLeft, QByteArray::number(2 * p.x()));
    editor_.setSelectedRowCell(kColTop, QByteArray::number(2 * p.y()));
    dragging_ = true;
    start_ = p;
    last_ = p;
    Panel1_->setBand(std::nullopt);
}

void TRE_Disp::Panel1MouseMove(QPoint at) {
    if (!dragging_) {
        return;
    }
    last_ = keepInside(at, Panel1_->size());
    Panel1_->setBand(QRect(2 * start_, 2 * last_));
}

void TRE_Disp::Panel1MouseUp(Qt::MouseButton button, QPoint at) {
    const bool wasDragging = dragging_;
    // Every button release ends a drag.
    dragging_ = false;
    Panel1_->setBand(std::nullopt);
    if (!wasDragging || button != Qt::LeftButton) {
        return;
    }
    const PartRect r = dragRectangle(start_, at, Panel1_->size());
    editor_.setSelectedRowCell(kColTop, QByteArray::number(r.top));
    editor_.setSelectedRowCell(kColLeft, QByteArray::number(r.left));
    editor_.setSelectedRowCell(kColHeight, QByteArray::number(r.height));
    editor_.setSelectedRowCell(kColWidth, QByteArray::number(r.width));
    editor_.PartsListExit();
}

}  // namespace zul
