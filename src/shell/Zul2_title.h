#pragma once

// The splash window shown for three seconds at start; when it closes it brings up the hub
// form.

#include <QTimer>
#include <QWidget>
#include <functional>

namespace zul {

class TTitle_call : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowMs = 3000;

    explicit TTitle_call(QWidget* hubForm);

    // Shows the splash on top and starts its timer.
    void start();

    // Whether the hub form should come up when the splash closes; a role window that took
    // the hub's place in the meantime (the display started by the startup settings) keeps
    // it hidden. Empty: always.
    std::function<bool()> hubWanted;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Timer1Timer();

    QWidget* hubForm_;
    QTimer Timer1;
};

}  // namespace zul
