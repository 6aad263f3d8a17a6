#include "platform/Hmudp.h"

#include <QtEndian>
#include <QtGlobal>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/errors.h"

namespace zul {

namespace {

struct ErrnoCode {
    int errnoValue;
    int code;
};

// errno -> Winsock. Where several errno values share a number, the first one also gives
// the number its text.
constexpr std::array kErrnoCodes{
    ErrnoCode{EINTR, 10004},
    ErrnoCode{EBADF, 10009},
    ErrnoCode{EACCES, 10013},
    ErrnoCode{EPERM, 10013},
    ErrnoCode{EFAULT, 10014},
    ErrnoCode{EINVAL, 10022},
    ErrnoCode{EMFILE, 10024},
    ErrnoCode{ENFILE, 10024},
    ErrnoCode{EWOULDBLOCK, socket_error::kWouldBlock},
    ErrnoCode{EINPROGRESS, 10036},
    ErrnoCode{EALREADY, 10037},
    ErrnoCode{ENOTSOCK, 10038},
    ErrnoCode{EDESTADDRREQ, 10039},
    ErrnoCode{EMSGSIZE, socket_error::kMessageTooLong},
    ErrnoCode{EPROTOTYPE, 10041},
    ErrnoCode{ENOPROTOOPT, 10042},
    ErrnoCode{EPROTONOSUPPORT, 10043},
    ErrnoCode{ESOCKTNOSUPPORT, 10044},
    ErrnoCode{EOPNOTSUPP, socket_error::kOperationNotSupported},
    ErrnoCode{EPFNOSUPPORT, 10046},
    ErrnoCode{EAFNOSUPPORT, 10047},
    ErrnoCode{EADDRINUSE, socket_error::kAddressInUse},
    ErrnoCode{EADDRNOTAVAIL, 10049},
    ErrnoCode{ENETDOWN, 10050},
    ErrnoCode{ENETUNREACH, 10051},
    ErrnoCode{ENETRESET, 10052},
    ErrnoCode{ECONNABORTED, 10053},
    ErrnoCode{ECONNRESET, 10054},
    ErrnoCode{ENOBUFS, 10055},
    ErrnoCode{ENOMEM, 10055},
    ErrnoCode{EISCONN, 10056},
    ErrnoCode{ENOTCONN, 10057},
    ErrnoCode{ESHUTDOWN, 10058},
    ErrnoCode{ETOOMANYREFS, 10059},
    ErrnoCode{ETIMEDOUT, 10060},
    ErrnoCode{ECONNREFUSED, 10061},
    ErrnoCode{ELOOP, 10062},
    ErrnoCode{ENAMETOOLONG, 10063},
    ErrnoCode{EHOSTDOWN, 10064},
    ErrnoCode{EHOSTUNREACH, 10065},
};

// Name resolution failures (Winsock numbers) and the getaddrinfo code giving their text.
struct ResolveCode {
    int code;
    int eai;
};
constexpr std::array kResolveCodes{
    ResolveCode{socket_error::kHostNotFound, EAI_NONAME},
    ResolveCode{11002, EAI_AGAIN},
    ResolveCode{11003, EAI_FAIL},
    ResolveCode{11004, EAI_NODATA},
};

QString errnoText(int errnoValue) {
    char text[256] = {};
    // GNU strerror_r: returns the text, which may or may not be in `text`.
    return QString::fromLocal8Bit(strerror_r(errnoValue, text, sizeof text));
}

int resolveErrorCode(int eai, int savedErrno) {
    switch (eai) {
        case EAI_AGAIN:
            return 11002;
        case EAI_FAIL:
            return 11003;
        case EAI_NODATA:
            return 11004;
        case EAI_MEMORY:
            return socketErrorFromErrno(ENOMEM);
        case EAI_SYSTEM:
            return socketErrorFromErrno(savedErrno);
        default:
            return socket_error::kHostNotFound;
    }
}

// Like GetHostByName, but gives the Winsock number of a failure (0 on success).
int resolveIPv4(const QString& name, quint32* address) {
    *address = 0;
    if (name.isEmpty()) {
        return 0;
    }
    const QByteArray text = name.toUtf8();
    in_addr numeric{};
    if (inet_pton(AF_INET, text.constData(), &numeric) == 1) {
        *address = ntohl(numeric.s_addr);
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int eai = getaddrinfo(text.constData(), nullptr, &hints, &found);
    const int savedErrno = errno;
    if (eai != 0 || found == nullptr) {
        *address = 0xFFFFFFFFu;
        return eai != 0 ? resolveErrorCode(eai, savedErrno) : socket_error::kHostNotFound;
    }
    const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    *address = ntohl(in->sin_addr.s_addr);
    freeaddrinfo(found);
    return 0;
}

sockaddr_in socketAddress(quint32 address, quint16 port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

// Closes a freshly created socket unless Open hands it over to the component.
class PendingSocket {
public:
    explicit PendingSocket(int fd) : fd_(fd) {}
    ~PendingSocket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    PendingSocket(const PendingSocket&) = delete;
    PendingSocket& operator=(const PendingSocket&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Runs a callback through a copy, so that a handler may replace itself safely.
template <typename F, typename... Args>
void fireCallback(const F& callback, Args&&... args) {
    if (F handler = callback) {
        handler(std::forward<Args>(args)...);
    }
}

}  // namespace

QString errorAtPrefix(THmErrorAt errorAt) {
    switch (errorAt) {
        case THmErrorAt::Opening:
            return QStringLiteral("オープン中 : ");
        case THmErrorAt::Closing:
            return QStringLiteral("クローズ中 : ");
        case THmErrorAt::Sending:
            return QStringLiteral("送信中 : ");
        case THmErrorAt::Receiving:
            return QStringLiteral("受信中 : ");
        default:
            return QStringLiteral("その他 : ");
    }
}

int socketErrorFromErrno(int errnoValue) {
    const auto* it = std::find_if(kErrnoCodes.begin(), kErrnoCodes.end(),
                                  [&](const ErrnoCode& e) { return e.errnoValue == errnoValue; });
    return it != kErrnoCodes.end() ? it->code : errnoValue;
}

QString socketErrorText(int code) {
    for (const ResolveCode& r : kResolveCodes) {
        if (r.code == code) {
            return QString::fromLocal8Bit(gai_strerror(r.eai));
        }
    }
    if (code == socket_error::kSystemNotReady) {
        return QStringLiteral("Network subsystem is unavailable");
    }
    const auto* it = std::find_if(kErrnoCodes.begin(), kErrnoCodes.end(),
                                  [&](const ErrnoCode& e) { return e.code == code; });
    return errnoText(it != kErrnoCodes.end() ? it->errnoValue : code);
}

// ---------------------------------------------------------------------------------------

THmCustomUdp::THmCustomUdp(QObject* parent)
    : QObject(parent), buffer_(static_cast<size_t>(iInitialBufferSize)) {}

THmCustomUdp::~THmCustomUdp() {
    if (state_ == THmSocketState::Closed) {
        return;
    }
    try {
        Close();
    } catch (...) {
        // Nobody is left to hear about it; the socket is released either way.
    }
}

void THmCustomUdp::SetAutoResize(bool value) {
    autoResize_ = value;
    if (value) {
        resetBuffer();
    }
}

void THmCustomUdp::SetBufferSize(int n) {
    const int size = (autoResize_ || n <= 0) ? iInitialBufferSize : std::min(n, kMaxBufferSize);
    buffer_.assign(static_cast<size_t>(size), '\0');
}

void THmCustomUdp::resetBuffer() {
    if (buffer_.size() != static_cast<size_t>(iInitialBufferSize)) {
        buffer_.assign(static_cast<size_t>(iInitialBufferSize), '\0');
    }
}

bool THmCustomUdp::GetHostByName(const QString& name, quint32* address) {
    quint32 ignored = 0;
    return resolveIPv4(name, address != nullptr ? address : &ignored) == 0;
}

QString THmCustomUdp::InetNtoA(quint32 address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

quint16 THmCustomUdp::HtoNs(quint16 value) {
    return qToBigEndian(value);
}

quint16 THmCustomUdp::NtoHs(quint16 value) {
    return qFromBigEndian(value);
}

void THmCustomUdp::FireOnError(THmErrorAt errorAt, int code) {
    if (code == 0) {
        code = socketErrorFromErrno(errno);
    }
    if (code == socket_error::kWouldBlock) {
        return;
    }
    error_ = code;
    bool throwException = true;
    fireCallback(OnError, errorAt, throwException);
    if (throwException) {
        throw ZulError(errorAtPrefix(errorAt) + socketErrorText(code));
    }
}

bool THmCustomUdp::Open(int port, const QString& localHost) {
    if (state_ != THmSocketState::Closed) {
        return false;
    }
    error_ = 0;
    quint32 local = 0;
    if (const int code = resolveIPv4(localHost, &local); code != 0) {
        FireOnError(THmErrorAt::Opening, code);
        return false;
    }
    PendingSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        FireOnError(THmErrorAt::Opening, 0);
        return false;
    }
    // Linux refuses sends to a subnet broadcast address without this (Windows does not
    // ask). No SO_REUSEADDR: a second program on the same port must fail to bind.
    const int on = 1;
    const quint16 requested = port > 0 ? static_cast<quint16>(port) : 0;
    const sockaddr_in bound = socketAddress(local, requested);
    if (setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        const int code = socketErrorFromErrno(errno);
        ::close(socket.release());
        FireOnError(THmErrorAt::Opening, code);
        return false;
    }
    handle_ = socket.release();
    startNotifiers(handle_);

    sockaddr_in actual{};
    socklen_t length = sizeof actual;
    if (getsockname(handle_, reinterpret_cast<sockaddr*>(&actual), &length) == 0) {
        localHost_ = InetNtoA(ntohl(actual.sin_addr.s_addr));
        localPort_ = ntohs(actual.sin_port);
    } else {
        localHost_ = localHost;
        localPort_ = port;
    }
    state_ = THmSocketState::Opening;
    return true;
}

bool THmCustomUdp::Close() {
    error_ = 0;
    if (state_ == THmSocketState::Closed) {
        return false;
    }
    stopNotifiers();
    const int result = ::close(handle_);
    const int savedErrno = errno;
    // Linux releases the descriptor even when close reports an error, so the component is
    // closed either way; keeping the number would let it refer to some later file.
    state_ = THmSocketState::Closed;
    handle_ = -1;
    localPort_ = 0;
    localHost_.clear();
    if (result != 0) {
        FireOnError(THmErrorAt::Closing, socketErrorFromErrno(savedErrno));
        return false;
    }
    fireCallback(OnClose);
    return true;
}

int THmCustomUdp::Send(const QString& host, int port, const QByteArray& data, bool outOfBand) {
    error_ = 0;
    // A bound datagram socket can send at once: only a closed component refuses. (Waiting
    // for the first writable notification lost the discovery request sent at start.)
    if (state_ == THmSocketState::Closed) {
        return -1;
    }
    quint32 address = 0;
    if (const int code = resolveIPv4(host, &address); code != 0) {
        FireOnError(THmErrorAt::Sending, code);
        return -1;
    }
    if (address == 0) {
        FireOnError(THmErrorAt::Sending, socket_error::kHostNotFound);
        return -1;
    }
    const sockaddr_in to = socketAddress(address, static_cast<quint16>(port));
    const int flags = MSG_NOSIGNAL | (outOfBand ? MSG_OOB : 0);
    ssize_t sent = 0;
    do {
        sent = ::sendto(handle_, data.constData(), static_cast<size_t>(data.size()), flags,
                        reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0) {
        return static_cast<int>(sent);
    }
    const int code = socketErrorFromErrno(errno);
    if (code == socket_error::kWouldBlock) {
        // OnSent follows on the next writable notification.
        error_ = code;
        if (writeNotifier_) {
            writeNotifier_->setEnabled(true);
        }
        return 0;
    }
    FireOnError(THmErrorAt::Sending, code);
    return -1;
}

// ---------------------------------------------------------------------------------------
// Notifications

void THmCustomUdp::startNotifiers(int fd) {
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, [this, fd] { onReadable(fd); });
    // Enabled until the first writable notification opens the component; afterwards only
    // after a send that would block. A datagram socket is almost always writable, so a
    // write notifier left enabled would fire on every pass of the event loop.
    writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(writeNotifier_, &QSocketNotifier::activated, this, [this, fd] { onWritable(fd); });
}

void THmCustomUdp::stopNotifiers() {
    // Close may run inside a notifier's own signal: disable now, delete later.
    for (QPointer<QSocketNotifier>* notifier : {&readNotifier_, &writeNotifier_}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
        }
        *notifier = nullptr;
    }
}

void THmCustomUdp::reportFromNotification(const std::function<void()>& work) {
    if (errorSink_ != nullptr) {
        guarded(*errorSink_, work);
        return;
    }
    try {
        work();
    } catch (...) {
        qWarning("%s", qUtf8Printable(describeCurrentException()));
    }
}

void THmCustomUdp::onWritable(int fd) {
    if (fd != handle_) {
        return;
    }
    error_ = 0;
    if (writeNotifier_) {
        writeNotifier_->setEnabled(false);
    }
    reportFromNotification([this] {
        if (state_ == THmSocketState::Opening) {
            state_ = THmSocketState::Open;
            fireCallback(OnOpen);
        } else {
            fireCallback(OnSent);
        }
    });
}

void THmCustomUdp::onReadable(int fd) {
    if (fd != handle_) {
        return;
    }
    const QPointer<THmCustomUdp> alive(this);
    reportFromNotification([this] { handleReadable(); });
    if (alive && autoResize_) {
        resetBuffer();
    }
}

void THmCustomUdp::handleReadable() {
    error_ = 0;
    ++counters_.notifications;
    counters_.lastPeekSizes.clear();
    counters_.lastReads = 0;
    const Received received = InnerReceive();
    if (received.result < 0) {
        if (autoResize_) {
            resetBuffer();
        }
        FireOnError(THmErrorAt::Receiving, -received.result);
        return;
    }
    if (received.result == 0) {
        return;  // an empty datagram is consumed and not reported
    }
    // The handler gets its own copy: see OnReceive.
    const QByteArray data(buffer_.data(), received.result);
    fireCallback(OnReceive, received.remoteHost, received.remotePort, data, false);
}

// Takes one datagram off the socket. With AutoResize the datagram is first peeked at, and
// while it is larger than the buffer the buffer doubles; Linux reports the real length of
// a truncated datagram (MSG_TRUNC), which stands for Winsock's "message too long".
// An empty datagram ends the notification: the notifier fires again while more are queued,
// so a flood of them cannot hold the event loop in here.
THmCustomUdp::Received THmCustomUdp::InnerReceive() {
    Received received;
    bool peek = autoResize_;
    for (;;) {
        const int size = GetBufferSize();
        const int result = receiveOnce(peek, received);
        if (result < 0) {
            if (peek) {
                discardQueuedDatagram();
            }
            received.result = result;
            return received;
        }
        if (result > size) {
            if (peek && size < kMaxBufferSize) {
                buffer_.assign(static_cast<size_t>(std::min(size * 2, kMaxBufferSize)), '\0');
                continue;
            }
            if (peek) {
                discardQueuedDatagram();
            }
            error_ = socket_error::kMessageTooLong;
            received.result = -socket_error::kMessageTooLong;
            return received;
        }
        if (peek) {
            peek = false;
            continue;
        }
        received.result = result;
        return received;
    }
}

// One recvfrom into the whole buffer: the datagram's real length, or the negated error.
int THmCustomUdp::receiveOnce(bool peek, Received& from) {
    if (peek) {
        ++counters_.peeks;
        counters_.lastPeekSizes.push_back(GetBufferSize());
    } else {
        ++counters_.reads;
        ++counters_.lastReads;
    }
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const int flags = MSG_TRUNC | (peek ? MSG_PEEK : 0);
    ssize_t result = 0;
    do {
        length = sizeof sender;
        result = ::recvfrom(handle_, buffer_.data(), buffer_.size(), flags,
                            reinterpret_cast<sockaddr*>(&sender), &length);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        return -socketErrorFromErrno(errno);
    }
    from.remoteHost = InetNtoA(ntohl(sender.sin_addr.s_addr));
    from.remotePort = ntohs(sender.sin_port);
    return static_cast<int>(std::min<ssize_t>(result, kMaxBufferSize + 1));
}

void THmCustomUdp::discardQueuedDatagram() {
    char byte = 0;
    ++counters_.reads;
    ++counters_.lastReads;
    [[maybe_unused]] const ssize_t ignored = ::recv(handle_, &byte, 1, 0);
}

// ---------------------------------------------------------------------------------------

THmUdp::THmUdp(QObject* parent) : THmCustomUdp(parent) {
    SetAutoResize(true);
    SetBufferSize(iInitialBufferSize);
}

}  // namespace zul
