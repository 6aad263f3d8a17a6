#pragma once

// The splash window shown for three seconds at start; when it closes it brings up the hub
// form.

#include <QTimer>
#include <QWidget>

namespace zul {

class TTitle_call : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowMs = 3000;

    explicit TTitle_call(QWidget* hubForm);

    // Shows the splash on top and starts its timer.
    void start();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Timer1Timer();

    QWidget* hubForm_;
    QTimer Timer1;
};

}  // namespace zul
