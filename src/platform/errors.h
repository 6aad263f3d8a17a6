#pragma once

// The one exception type of the program and the guard that every entry point from Qt
// (socket read, timer, button, macro) runs its work in, so that no exception ever crosses
// the event loop: the guard hands the message to the application error handler.

#include <QString>
#include <exception>
#include <stdexcept>
#include <utility>

namespace zul {

class ZulError : public std::runtime_error {
public:
    explicit ZulError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Receives the message of an error that no operation caught.
class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    virtual void reportError(const QString& message) = 0;
};

QString describeCurrentException();

// Runs `work`; any exception ends up at `sink`. Returns false when one was caught.
template <typename F>
bool guarded(ErrorSink& sink, F&& work) noexcept {
    try {
        std::forward<F>(work)();
        return true;
    } catch (...) {
        try {
            sink.reportError(describeCurrentException());
        } catch (...) {
            // The error handler itself failed; nothing sensible is left to do.
        }
        return false;
    }
}

}  // namespace zul
