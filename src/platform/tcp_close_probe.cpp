#include "platform/tcp_close_probe.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zul {

TcpCloseProbe::~TcpCloseProbe() {
    release();
}

void TcpCloseProbe::watch(qintptr descriptor) {
    release();
    if (descriptor >= 0) {
        fd_ = ::fcntl(static_cast<int>(descriptor), F_DUPFD_CLOEXEC, 0);
    }
}

bool TcpCloseProbe::resetByPeer() const {
    if (fd_ < 0) {
        return false;
    }
    tcp_info info = {};
    socklen_t length = sizeof info;
    if (::getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) {
        return false;
    }
    // An orderly close by the peer leaves CLOSE_WAIT (or LAST_ACK and later once we closed
    // too); a reset, or a connection that timed out, ends in CLOSE at once.
    return info.tcpi_state == TCP_CLOSE;
}

void TcpCloseProbe::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

QString TcpCloseProbe::resetText() {
    return QStringLiteral("相手から接続がリセットされました (ECONNRESET)");
}

}  // namespace zul
