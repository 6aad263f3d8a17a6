#pragma once

// The position chooser: a small always-on-top window that the user moves and sizes over the
// real screen; "OK" writes its screen rectangle (the whole window with its frame) into the
// parts editor's selected row. Its slider makes it see-through. The see-through look is
// painted by the window itself, from a picture of the screen taken before it appears, so it
// works without a compositing window manager.

#include <QPixmap>
#include <QWidget>

class QGraphicsOpacityEffect;
class QPushButton;
class QSlider;

namespace zul {

class TFP_Edit;

class TPosView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 309;
    static constexpr int kHeight = 110;

    explicit TPosView(TFP_Edit& editor, QWidget* parent = nullptr);

    void Button1Click();              // "OK"
    void TrackBar1Change(int value);  // opacity 10..255

    int opacity() const { return opacity_; }
    QSlider* TrackBar1() const { return TrackBar1_; }
    QPushButton* Button1() const { return Button1_; }

    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void takeBackdrop();

    TFP_Edit& editor_;
    QWidget* body_ = nullptr;
    QGraphicsOpacityEffect* fade_ = nullptr;
    QSlider* TrackBar1_ = nullptr;
    QPushButton* Button1_ = nullptr;
    int opacity_ = 255;
    // The screen as it was before the window appeared, and where that screen lies.
    QPixmap backdrop_;
    QRect backdropScreen_;
};

}  // namespace zul
