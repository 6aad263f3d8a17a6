#pragma once

// The caption line's label: a strip in the caption colours that either shows its own text
// standing still (left or centred, at its top edge) or a scrolling text drawn at a given x.
// It never sizes itself to its text.

#include <QColor>
#include <QFont>
#include <QWidget>

namespace zul {

// The caption font for a size in points at 96 dots per inch: a positive size is the
// character (em) height, a negative one the whole character cell.
QFont captionFont(const QString& family, int size);

class CaptionStrip : public QWidget {
    Q_OBJECT
public:
    explicit CaptionStrip(QWidget* parent = nullptr);

    void setLook(const QFont& font, const QColor& text, const QColor& back);
    const QColor& textColour() const { return text_; }
    const QColor& backColour() const { return back_; }

    void setCentered(bool on);
    bool centered() const { return centered_; }

    // The label's own text: shown standing still.
    void setOwnText(const QString& text);
    const QString& ownText() const { return own_; }

    // The scrolling text and its left edge. Like every change here, it is painted with the
    // next frame (several changes in one event loop pass paint once); the same text at
    // another x only moves the pixels already drawn and paints the band they uncover.
    void drawScrolling(const QString& text, int x);
    // Blank strip (no own text, no scrolling text).
    void blank();

    int textWidth(const QString& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor text_{Qt::black};
    QColor back_{Qt::white};
    bool centered_ = false;
    QString own_;
    QString scrolling_;
    int scrollX_ = 0;
};

}  // namespace zul
