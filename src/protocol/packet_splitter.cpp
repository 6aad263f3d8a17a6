#include "protocol/packet_splitter.h"

#include <utility>

namespace zul {

void PacketSplitter::append(QByteArrayView bytes) {
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
}

std::optional<QByteArray> PacketSplitter::takePacket() {
    const qsizetype lineFeed = buffer_.indexOf('\n');
    if (lineFeed < 0) {
        return std::nullopt;
    }
    QByteArray packet = buffer_.left(lineFeed);
    buffer_.remove(0, lineFeed + 1);
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
    partialBytes_ = 0;
    discarding_ = false;
    discardedBytes_ = 0;
}

}  // namespace zul
