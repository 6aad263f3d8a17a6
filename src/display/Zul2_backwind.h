#pragma once

// The background window: a borderless window kept exactly behind the display window,
// showing the cover (a plain colour or a stretched picture). Fades paint the same cover
// over the content inside the display window, so they also work without a compositing
// window manager; this window is what shows where the display window lets the desktop
// through (colour key) or where a compositor applies window opacity.

#include <QImage>
#include <QWidget>

namespace zul {

class TZUL_BackWind : public QWidget {
    Q_OBJECT
public:
    explicit TZUL_BackWind(QWidget* parent = nullptr);

    // Cover colour; `clearPicture` empties the cover picture too.
    void setCoverColour(const QColor& colour, bool clearPicture);
    void setCoverPicture(const QImage& picture);
    const QColor& coverColour() const { return colour_; }
    const QImage& coverPicture() const { return picture_; }

    // Paints the cover into `rect` of `painter` (used by the display window's fade too).
    void paintCover(QPainter& painter, const QRect& rect) const;

    // Colour key: pixels of exactly `key` become see-through.
    void setColourKey(bool on, const QColor& key);

Q_SIGNALS:
    void coverChanged();
    // Showing the background window brings the display window back, fully opaque.
    void shownWithDisplay();
    // Activated (clicked, or chosen from the task bar): the display window belongs in front.
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void applyKey();

    QColor colour_{Qt::white};
    QImage picture_;
    bool keyOn_ = false;
    QColor key_;
};

}  // namespace zul
