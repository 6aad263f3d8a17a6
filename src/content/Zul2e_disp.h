#pragma once

// The parts preview: a half-size picture of the display screen on which the parts editor
// draws every part as a rectangle. Dragging a rectangle with the left mouse button on the
// picture sets the selected part's position and size in the editor (one preview pixel is two
// display pixels). The preview follows the editor's screen-image settings.

#include <QPoint>
#include <QSize>
#include <QWidget>

class QLabel;

namespace zul {

class TFP_Edit;

class TRE_Disp : public QWidget {
    Q_OBJECT
public:
    explicit TRE_Disp(TFP_Edit& editor, QWidget* parent = nullptr);

    // Lays the preview out for the editor's current settings.
    void FormShow();

    // The picture control and the caption strip.
    QWidget* Panel1() const;
    QLabel* StrFlame() const { return StrFlame_; }
    bool dragging() const { return dragging_; }

    void Panel1MouseDown(Qt::MouseButton button, QPoint at);
    void Panel1MouseMove(QPoint at);
    void Panel1MouseUp(Qt::MouseButton button, QPoint at);

protected:
    void showEvent(QShowEvent* event) override;

private:
    class PicturePanel;

    TFP_Edit& editor_;
    PicturePanel* Panel1_ = nullptr;
    QLabel* StrFlame_ = nullptr;
    QSize screen_{1024, 768};
    bool dragging_ = false;
    QPoint start_;
    QPoint last_;
};

}  // namespace zul
