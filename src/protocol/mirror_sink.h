#pragma once

// The packet mirror as the interpreter sees it: after every packet it has run, the
// interpreter hands an intact copy on to a further display machine through this.

#include <QByteArray>

namespace zul {

class MirrorSink {
public:
    MirrorSink() = default;
    virtual ~MirrorSink() = default;
    MirrorSink(const MirrorSink&) = delete;
    MirrorSink& operator=(const MirrorSink&) = delete;

    // Whether a packet should be handed over (mirror switched on or its connection open).
    virtual bool mirrorWanted() const = 0;
    // `packet` ends with its line feed.
    virtual void mirrorPacket(const QByteArray& packet) = 0;
};

}  // namespace zul
