#pragma once

// Reassembly of a received TCP byte stream into packets (one per connection role).
//
// Bytes are appended as they arrive; complete packets (the bytes before a line feed) are
// taken out one at a time. A line longer than kMaxLineBytes is never handed out, not even
// cut: it is dropped whole as soon as it grows past the limit, the splitter skips input up
// to the next line feed, and the dropped line's length is reported for the log. So the
// buffer holds at most one partial line of kMaxLineBytes bytes plus the complete lines of
// the last append that have not been taken yet, however long a line the peer sends.
//
// Typical use in a read handler:
//     splitter.append(socket.readAll());
//     for (qint64 n : splitter.takeDiscardNotices()) log(...);
//     while (auto packet = splitter.takePacket()) process(*packet);
// Processing may let events run and re-enter that loop (or append more bytes); every
// packet is still taken exactly once and in stream order.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace zul {

// Longest line (command byte and operand, without the line feed) that is accepted.
inline constexpr qsizetype kMaxLineBytes = 1023;

class PacketSplitter {
public:
    void append(QByteArrayView bytes);

    // The next complete packet without its line feed, or nullopt when no complete packet is
    // buffered. A lone line feed gives an empty packet.
    std::optional<QByteArray> takePacket();

    // Lengths in bytes (line feed not counted) of the over-long lines dropped since the last
    // call, in stream order.
    std::vector<qint64> takeDiscardNotices();

    // A complete packet is buffered.
    bool hasPacket() const { return completeLines_ > 0; }

    // Drops everything buffered (the watchdog's reset). An over-long line in progress is
    // reported as discarded with the bytes seen so far; later input starts a fresh line.
    void clear();

    qsizetype bufferedBytes() const { return buffer_.size() - head_; }

private:
    void appendLinePiece(QByteArrayView piece);
    void endLine();

    // From head_ on: complete lines, each with its line feed, then a partial one. Taking a
    // packet only moves head_; the bytes before it go when the next append finds them to
    // be at least half of the buffer, so taking N packets costs O(N) bytes moved, however
    // many were appended at once.
    QByteArray buffer_;
    qsizetype head_ = 0;
    qsizetype completeLines_ = 0;
    qsizetype partialBytes_ = 0;  // length of the partial line at the end of buffer_
    bool discarding_ = false;     // inside an over-long line: skip to the next line feed
    qint64 discardedBytes_ = 0;   // length of that line so far
    std::vector<qint64> notices_;
};

}  // namespace zul
