#pragma once

// Read-only text views that lines are only ever appended to (the log, the chat memo, a
// fetched log). Without care such a view keeps an undo step for every line it was given,
// even after it is cleared, and a view fed from the network grows without end.

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QTimer>
#include <functional>

class QPlainTextEdit;

namespace zul {

// Makes `view` read-only, keeps no undo history, and (when `maxLines` > 0) drops its
// oldest lines beyond `maxLines`.
void makeAppendOnly(QPlainTextEdit* view, int maxLines = 0);

// Shows lines that are kept elsewhere (code page 932) in a text view without laying out
// every line as it comes, which costs far more than anything else done for a packet. While
// the view is hidden, nothing is laid out; when it is shown, it is filled from the store in
// one go; while it is shown, the lines added meanwhile go in together once per frame. The
// view's text is then always the store's lines, one per line, in their order.
class LogViewFeed : public QObject {
    Q_OBJECT
public:
    // Every line the store holds now, oldest first.
    using StoreLines = std::function<QByteArrayList()>;

    static constexpr int kFrameMs = 16;

    // Belongs to `view`.
    LogViewFeed(QPlainTextEdit* view, StoreLines storeLines);

    // The store took one more line at its end.
    void lineAdded(const QByteArray& line);
    // The store was emptied.
    void cleared();

    // Brings the view up to date now when it is shown (otherwise when it is shown next).
    void flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refill();

    QPlainTextEdit* view_;
    StoreLines storeLines_;
    QByteArrayList pending_;  // added to the store since the view was last brought up to date
    bool stale_ = true;       // the view must be filled again from the store
    QTimer frame_;
};

}  // namespace zul
