#pragma once

// What a received mirror identity means. A display machine that opens its mirror
// connection introduces itself first with its identity (its host name); every machine
// passes the identities it receives on along its own mirror, like any other packet. An
// identity that reaches a machine a second time over the same upstream link has gone round
// a ring of mirrors: the ring must be cut. An upstream machine that connects again (its
// link restarted, or every machine reconnected after a failure notice) introduces itself
// again on its new connection; that is no ring, and the chain behind stays as it is.

#include <QByteArrayView>

namespace zul {

enum class MirrorIdentityVerdict {
    Acquired,      // nothing was held yet: keep it
    Updated,       // another identity than the one held: keep the new one
    Reintroduced,  // the upstream machine connected again: nothing changes, nothing passed on
    Loop,          // it came round a ring: cut this machine's own mirror link
};

// `stored` is the identity held so far (empty at start), `received` the one that arrived,
// `introduction` whether it is the first identity that its connection brought.
MirrorIdentityVerdict judgeMirrorIdentity(QByteArrayView stored, QByteArrayView received,
                                          bool introduction);

}  // namespace zul
