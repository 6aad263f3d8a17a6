#pragma once

// The substitute window Ttalk2 of the operator machine ("IPtalk9s のかわり"): an operator
// without IPtalk on this machine sizes and moves it to show where IPtalk is to appear on
// the display machine's screen. With its box "サイズ変更時自動送信する" ticked, every
// resize, move, repaint, click or mouse move over it captures the placement and sends it,
// so that the display machine's IPtalk follows the window as it is dragged. A repaint or
// a mouse move that finds the placement unchanged sends nothing again.

#include <QWidget>
#include <array>

class QCheckBox;

namespace zul {

class IptalkCooperation;

class Ttalk2 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 603;
    static constexpr int kHeight = 108;

    explicit Ttalk2(IptalkCooperation& iptalk, QWidget* parent = nullptr);

    QCheckBox* autoSendBox() const { return autoSend_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    enum class Change { Any, Only };
    void follow(Change when);

    IptalkCooperation& iptalk_;
    QCheckBox* autoSend_ = nullptr;
    std::array<int, 6> lastSent_{-1, -1, -1, -1, -1, -1};
};

}  // namespace zul
