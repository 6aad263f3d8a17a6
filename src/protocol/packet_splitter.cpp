#include "protocol/packet_splitter.h"

#include <utility>

namespace zul {

void PacketSplitter::append(QByteArrayView bytes) {
    if (head_ > 0 && head_ >= buffer_.size() / 2) {
        buffer_.remove(0, head_);
        head_ = 0;
    }
    while (!bytes.isEmpty()) {
        const qsizetype lineFeed = bytes.indexOf('\n');
        if (lineFeed < 0) {
            appendLinePiece(bytes);
            return;
        }
        appendLinePiece(bytes.first(lineFeed));
        endLine();
        bytes = bytes.sliced(lineFeed + 1);
    }
}

// Adds bytes of the current line, or counts them when the line has become too long.
void PacketSplitter::appendLinePiece(QByteArrayView piece) {
    if (discarding_) {
        discardedBytes_ += piece.size();
        return;
    }
    if (partialBytes_ + piece.size() > kMaxLineBytes) {
        discardedBytes_ = partialBytes_ + piece.size();
        buffer_.chop(partialBytes_);
        partialBytes_ = 0;
        discarding_ = true;
        return;
    }
    buffer_.append(piece);
    partialBytes_ += piece.size();
}

void PacketSplitter::endLine() {
    if (discarding_) {
        notices_.push_back(discardedBytes_);
        discarding_ = false;
        discardedBytes_ = 0;
        return;
    }
    buffer_.append('\n');
    partialBytes_ = 0;
    ++completeLines_;
}

std::optional<QByteArray> PacketSplitter::takePacket() {
    if (completeLines_ == 0) {
        return std::nullopt;
    }
    const qsizetype lineFeed = buffer_.indexOf('\n', head_);
    QByteArray packet = buffer_.sliced(head_, lineFeed - head_);
    head_ = lineFeed + 1;
    --completeLines_;
    if (head_ == buffer_.size()) {
        // Nothing is left (a partial line would follow the last line feed): start over
        // without giving up the allocation.
        buffer_.truncate(0);
        head_ = 0;
    }
    return packet;
}

std::vector<qint64> PacketSplitter::takeDiscardNotices() {
    return std::exchange(notices_, {});
}

void PacketSplitter::clear() {
    if (discarding_) {
        notices_.push_back(discardedBytes_);
    }
    buffer_.clear();
    head_ = 0;
    completeLines_ = 0;
    partialBytes_ = 0;
    discarding_ = false;
    discardedBytes_ = 0;
}

}  // namespace zul
