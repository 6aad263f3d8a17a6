#include "services/mirror_identity.h"

namespace zul {

MirrorIdentityVerdict judgeMirrorIdentity(QByteArrayView stored, QByteArrayView received,
                                          bool introduction) {
    if (stored.isEmpty()) {
        return MirrorIdentityVerdict::Acquired;
    }
    if (stored != received) {
        return MirrorIdentityVerdict::Updated;
    }
    return introduction ? MirrorIdentityVerdict::Reintroduced : MirrorIdentityVerdict::Loop;
}

}  // namespace zul
