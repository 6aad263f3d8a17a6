#pragma once

// The troubleshooting window: four switches that help when something goes wrong on site
// (watchdog off, no periodic discovery, display window not maximised, and a socket switch
// kept for operators who know it from older versions).

#include <QWidget>

namespace zul {

struct Settings;

class TZUL_ts : public QWidget {
    Q_OBJECT
public:
    explicit TZUL_ts(Settings& settings, QWidget* parent = nullptr);
};

}  // namespace zul
