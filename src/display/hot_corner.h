#pragma once

// The hot corner of the display window: a transparent square that is an aqua square while
// the pointer is over it and opens the window menu when a mouse button is pressed on it.
// Its look follows where the pointer really is: X sends it no leave event once its menu has
// taken the pointer, so while it is lit it checks the pointer's position itself.

#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace zul {

class HotCorner : public QWidget {
    Q_OBJECT
public:
    explicit HotCorner(QWidget* parent);

    bool lit() const { return lit_; }
    // Lit exactly when the pointer is over the corner (and the corner is on the screen).
    void followPointer();

Q_SIGNALS:
    // A mouse button went down on the corner, at this screen position.
    void pressed(const QPoint& globalPos);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setLit(bool lit);

    QTimer check_;
    bool lit_ = false;
};

}  // namespace zul
