#pragma once

// Tells a peer's reset from an orderly close. Qt reports both as RemoteHostClosedError (a
// read that fails with ECONNRESET counts as end of stream) and closes its descriptor before
// anyone hears of it. The probe keeps a duplicate of the connection's descriptor, so the
// kernel's view of the connection outlives Qt's: after an orderly close the connection
// waits in CLOSE_WAIT for our side to close; after a reset it is already CLOSED.

#include <QString>
#include <QtGlobal>

namespace zul {

class TcpCloseProbe {
public:
    TcpCloseProbe() = default;
    ~TcpCloseProbe();
    TcpCloseProbe(const TcpCloseProbe&) = delete;
    TcpCloseProbe& operator=(const TcpCloseProbe&) = delete;

    // Starts watching the connection on `descriptor` (a connected TCP socket); a previous
    // one is let go.
    void watch(qintptr descriptor);
    // True when the peer reset the connection (or it failed otherwise) rather than closing
    // its end in order. False while nothing is watched.
    bool resetByPeer() const;
    // Lets the connection go: call once our side has closed, or the duplicate would keep
    // the connection open towards the peer.
    void release();

    // The error text given for a reset.
    static QString resetText();

private:
    int fd_ = -1;
};

}  // namespace zul
