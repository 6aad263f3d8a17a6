#pragma once

// A TCP port on 127.0.0.1 whose connect attempts hang: a listening socket with a backlog
// of one, already taken by a connection that nobody accepts. The kernel drops further
// connection requests (the client retries after a second or so) until release() accepts
// the first connection; the next retry then connects. Connections stay unaccepted until
// acceptNext() takes one, so a test sees exactly what a client sent on it.

#include <QTcpSocket>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace zul::test {

class StalledListener {
public:
    StalledListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(fd_, 0) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len)) {
            return;
        }
        port_ = ntohs(a.sin_port);
        filler_.connectToHost(QStringLiteral("127.0.0.1"), port_);
        filler_.waitForConnected(2000);
    }
    ~StalledListener() {
        filler_.abort();
        for (int fd : accepted_) {
            ::close(fd);
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;

    quint16 port() const { return port_; }
    bool ok() const { return port_ != 0 && filler_.state() == QAbstractSocket::ConnectedState; }

    // Takes the filler connection out of the queue, so the next attempt can connect.
    void release() { acceptNext(); }

    // Accepts the next queued connection; returns its descriptor or -1.
    int acceptNext() {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            accepted_.push_back(fd);
        }
        return fd;
    }

    // Everything that arrived on an accepted connection so far, without waiting long.
    static QByteArray readAvailable(int fd) {
        QByteArray out;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0) {
                return out;
            }
            out.append(buf, n);
        }
    }

private:
    int fd_ = -1;
    quint16 port_ = 0;
    QTcpSocket filler_;
    std::vector<int> accepted_;
};

}  // namespace zul::test
