#pragma once

// The application object: catches any exception that an event handler lets escape and
// hands it to the application error handler, so no exception ever crosses the event loop.

#include <QApplication>

namespace zul {

class ErrorSink;

class ZulApplication : public QApplication {
    Q_OBJECT
public:
    ZulApplication(int& argc, char** argv);

    void setErrorSink(ErrorSink* sink) { sink_ = sink; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    ErrorSink* sink_ = nullptr;
};

}  // namespace zul
