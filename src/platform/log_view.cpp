#include "platform/log_view.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QStringList>
#include <utility>

#include "platform/cp932.h"

namespace zul {
namespace {

// Lines kept back for a shown view beyond this are dropped, and the view is filled from the
// store instead: the event loop may have been held up for a long time.
constexpr qsizetype kMaxPendingLines = 10000;

// One text of many lines: a single insertion into the view instead of one per line.
QString joinedText(const QByteArrayList& lines) {
    QStringList texts;
    texts.reserve(lines.size());
    for (const QByteArray& line : lines) {
        texts.append(cp932::decode(line));
    }
    return texts.join(QLatin1Char('\n'));
}

}  // namespace

void makeAppendOnly(QPlainTextEdit* view, int maxLines) {
    view->setReadOnly(true);
    view->setUndoRedoEnabled(false);
    if (maxLines > 0) {
        view->setMaximumBlockCount(maxLines);
    }
}

LogViewFeed::LogViewFeed(QPlainTextEdit* view, StoreLines storeLines)
    : QObject(view), view_(view), storeLines_(std::move(storeLines)) {
    frame_.setSingleShot(true);
    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, &LogViewFeed::flush);
    view_->installEventFilter(this);
}

void LogViewFeed::lineAdded(const QByteArray& line) {
    if (stale_) {
        return;  // the whole store goes in when the view is filled again
    }
    if (!view_->isVisible()) {
        // Lines kept back for a hidden view would only grow; it is filled again when shown.
        stale_ = true;
        pending_.clear();
        return;
    }
    if (pending_.size() >= kMaxPendingLines) {
        stale_ = true;
        pending_.clear();
    } else {
        pending_.append(line);
    }
    if (!frame_.isActive()) {
        frame_.start();
    }
}

void LogViewFeed::cleared() {
    // An empty view costs nothing to lay out and then shows the store as it is.
    pending_.clear();
    stale_ = false;
    view_->clear();
}

void LogViewFeed::flush() {
    frame_.stop();
    if (!view_->isVisible()) {
        return;
    }
    if (stale_) {
        refill();
        return;
    }
    if (!pending_.isEmpty()) {
        const QString text = joinedText(pending_);
        pending_.clear();
        view_->appendPlainText(text);
    }
}

void LogViewFeed::refill() {
    stale_ = false;
    pending_.clear();
    view_->clear();
    const QByteArrayList lines = storeLines_();
    if (!lines.isEmpty()) {
        view_->appendPlainText(joinedText(lines));
    }
}

bool LogViewFeed::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Show) {
        flush();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zul
