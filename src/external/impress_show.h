#pragma once

// LibreOffice Impress running the slide show of one presentation, with its transitions and
// animation steps, in a window over a given screen rectangle.
//
// Impress is driven through its UNO API (XPresentation2, XSlideShowController) by a small
// helper process, "zul-impress" beside the program: a Python script on LibreOffice's own
// UNO bridge (python3-uno). Each presentation gets a helper of its own, which starts its own
// LibreOffice on a fresh profile, opens the file read-only with macros off, and answers one
// request at a time on its standard input and output, one JSON object per line. The
// program never waits for it: every operation returns at once and its outcome arrives as a
// signal; every request has a deadline, after which the helper and its LibreOffice are
// killed. A helper also ends when the program ends.
//
// Requests {"id": n, "op": "open", "path": ..., "rect": [x, y, w, h]}, then "start" (with
// "rect"), "next", "previous", "end", and finally {"op": "close"}; answers
// {"id": n, "ok": true, "window": X11 window, "slide": index} or
// {"id": n, "ok": false, "error": text}; {"event": "ended"} when the show ended by itself.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

#include "external/slide_show.h"

namespace zul {

class ImpressHelper;
class X11Windows;

class ImpressShow : public QObject {
    Q_OBJECT

public:
    struct Timeouts {
        // LibreOffice's start on a fresh profile, loading the file and starting its show.
        std::chrono::milliseconds open{90'000};
        std::chrono::milliseconds step{15'000};
        // From the close request until the helper and its LibreOffice are killed.
        std::chrono::milliseconds close{10'000};
    };

    enum class State {
        Closed,   // no presentation
        Opening,  // the helper is starting LibreOffice and the show
        Open,     // the presentation is open (its show running or ended)
    };

    // Places the show's window with `windows`, which must outlive this object.
    explicit ImpressShow(X11Windows& windows, QObject* parent = nullptr);
    // Kills every helper that is still running, with its LibreOffice.
    ~ImpressShow() override;

    ImpressShow(const ImpressShow&) = delete;
    ImpressShow& operator=(const ImpressShow&) = delete;

    // The helper program and the arguments before its own; by default "zul-impress" in the
    // folder of the running program.
    void setHelper(const QString& program, const QStringList& arguments = {});
    QString helperProgram() const { return program_; }
    void setTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }

    // Closes the presentation held so far, then opens `path` in a new LibreOffice and runs
    // its show over `screenRect`. Failure: failed(ShowOp::Open, ...), and the state is
    // Closed again.
    void open(const QString& path, const QRect& screenRect);
    // Runs the show again from its first slide, over `screenRect`.
    void start(const QRect& screenRect);
    void next();
    void previous();
    void end();
    // Ends the show and closes the presentation without saving; LibreOffice quits. Nothing
    // is reported, and requests still unanswered are dropped.
    void close();

    State state() const { return state_; }
    bool isOpen() const { return state_ != State::Closed; }
    // The X11 window that the show runs in; 0 before the first show.
    quint64 showWindow() const { return window_; }
    // The slide (zero-based) that the show stood on at the last answer.
    int currentSlide() const { return slide_; }
    // Helpers that were told to close and have not ended yet.
    int closingHelpers() const;

signals:
    // An operation failed; `detail` says why, for the log. An operation asked for while no
    // presentation is open fails too.
    void failed(zul::ShowOp op, const QString& detail);
    // The show runs (after open or start) in `window`, placed over `rect` and kept above the
    // other windows.
    void showRunning(quint64 window, const QRect& rect);
    // A step (next, previous, end) was carried out; the show stands on `slide`.
    void stepDone(zul::ShowOp op, int slide);
    // The show ended by itself after its last slide.
    void showEnded();
    // The helper or its LibreOffice ended while no operation was waiting (a crash, say).
    void helperEnded(const QString& why);

private:
    friend class ImpressHelper;

    void send(ShowOp op, const QRect& rect = {}, const QString& path = {});
    void failLater(ShowOp op, const QString& detail);
    void answered(ImpressHelper& helper, ShowOp op, const QRect& rect, bool ok, quint64 window,
                  int slide, const QString& error);
    void helperLost(ImpressHelper& helper, std::optional<ShowOp> op, const QString& why);
    void retire(ImpressHelper& helper, bool kill);
    void place(quint64 window, const QRect& rect);

    X11Windows& windows_;
    QString program_;
    QStringList arguments_;
    Timeouts timeouts_;
    State state_ = State::Closed;
    QPointer<ImpressHelper> current_;
    quint64 window_ = 0;
    int slide_ = 0;
    int nextId_ = 1;
    QString lastLoss_;
};

}  // namespace zul
