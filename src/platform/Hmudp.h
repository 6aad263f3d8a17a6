#pragma once

// THmUdp: the program's event-driven UDP endpoint. One non-blocking IPv4 datagram socket
// bound to a local port, sends to any host and port, and callbacks for opened, closed,
// sending possible again, datagram received and error. Readiness arrives through
// QSocketNotifiers, so every callback runs on the GUI thread inside the event loop.
//
// Addresses are 32-bit IPv4 values in host byte order: 192.168.1.23 is 0xC0A80117, as
// QHostAddress::toIPv4Address gives it. Error codes are the Winsock numbers that the rest
// of the program and its log lines know (10035 would block, 10040 message too long, 11001
// host not found, ...); errno values are translated by socketErrorFromErrno.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

namespace zul {

class ErrorSink;

// Winsock error numbers used by name in the code.
namespace socket_error {
inline constexpr int kWouldBlock = 10035;
inline constexpr int kMessageTooLong = 10040;
inline constexpr int kOperationNotSupported = 10045;
inline constexpr int kAddressInUse = 10048;
inline constexpr int kSystemNotReady = 10091;
inline constexpr int kHostNotFound = 11001;
}  // namespace socket_error

enum class THmSocketState : qint32 {
    Opening = 0,  // bound, first writable notification not yet seen
    Open = 1,     // first writable notification seen (sending is allowed from Opening on)
    Closed = 2,
};

// Where an error happened; selects the prefix of the error message. Values outside 0..3
// count as "elsewhere".
enum class THmErrorAt : qint32 {
    Opening = 0,
    Closing = 1,
    Sending = 2,
    Receiving = 3,
    Other = 4,
};

// "オープン中 : ", "クローズ中 : ", "送信中 : ", "受信中 : ", else "その他 : ".
QString errorAtPrefix(THmErrorAt errorAt);

// The Winsock number for an errno value; values without an equivalent are returned as
// they are (errno values never collide with the Winsock range).
int socketErrorFromErrno(int errnoValue);

// The platform's text for a Winsock number (or a plain errno value).
QString socketErrorText(int code);

class THmCustomUdp : public QObject {
    Q_OBJECT

public:
    static constexpr int iInitialBufferSize = 1024;
    // No IPv4 datagram is larger (65507 bytes of payload), so neither SetBufferSize nor
    // the doubling ever goes beyond this.
    static constexpr int kMaxBufferSize = 65536;

    // What the receive path did, for diagnostics and tests. The totals count from
    // construction (or resetCounters); the `last` fields describe the latest readable
    // notification only.
    struct ReceiveCounters {
        qint64 notifications = 0;
        qint64 peeks = 0;
        qint64 reads = 0;
        std::vector<int> lastPeekSizes;  // buffer size of each peek, in order
        int lastReads = 0;
    };

    explicit THmCustomUdp(QObject* parent = nullptr);
    ~THmCustomUdp() override;
    THmCustomUdp(const THmCustomUdp&) = delete;
    THmCustomUdp& operator=(const THmCustomUdp&) = delete;

    bool GetAutoResize() const { return autoResize_; }
    // True also returns the buffer to iInitialBufferSize.
    void SetAutoResize(bool value);
    int GetError() const { return error_; }
    int GetLocalPort() const { return localPort_; }
    int GetHandle() const { return handle_; }
    THmSocketState GetState() const { return state_; }
    QString GetLocalHost() const { return localHost_; }
    int GetBufferSize() const { return static_cast<int>(buffer_.size()); }
    // With AutoResize on, or n <= 0, the buffer becomes iInitialBufferSize bytes; otherwise
    // n bytes (at most kMaxBufferSize).
    void SetBufferSize(int n);

    // Binds to `port` (0 or less: the system chooses) on `localHost` (empty: every local
    // address). Only from the closed state; false on failure (after FireOnError).
    bool Open(int port, const QString& localHost = {});
    // False when already closed (nothing fires) or when closing fails.
    bool Close();
    // Sends one datagram. Returns the bytes sent, 0 when the send would block (Error is
    // then 10035 and OnSent follows once sending is possible again), -1 when closed
    // (no event) or on failure (after FireOnError). Linux has no out-of-band data on UDP:
    // `outOfBand` makes the send fail with 10045, as Winsock does.
    int Send(const QString& host, int port, const QByteArray& data, bool outOfBand = false);

    // Empty name: address 0 and true. Dotted IPv4 text converts directly, other names are
    // looked up (first IPv4 address). Failure: all bits set and false.
    static bool GetHostByName(const QString& name, quint32* address);
    static QString InetNtoA(quint32 address);
    static quint16 HtoNs(quint16 value);
    static quint16 NtoHs(quint16 value);

    // Code 0 stands for the last socket error (errno). Would-block is ignored; any other
    // code becomes Error, goes to OnError, and unless OnError cleared `throwException`
    // is thrown as ZulError(prefix + platform text).
    void FireOnError(THmErrorAt errorAt, int code);

    // Where errors raised inside notifications go (they must not cross the event loop).
    // Without a sink they are written to the Qt log. Not owned.
    void setErrorSink(ErrorSink* sink) { errorSink_ = sink; }

    const ReceiveCounters& counters() const { return counters_; }
    void resetCounters() { counters_ = {}; }

    std::function<void()> OnOpen;
    std::function<void()> OnClose;
    std::function<void()> OnSent;
    std::function<void(THmErrorAt errorAt, bool& throwException)> OnError;
    // `data` is the datagram's own copy: a handler may run a nested event loop (a modal
    // question) while further datagrams reuse the receive buffer.
    std::function<void(const QString& remoteHost, int remotePort, const QByteArray& data,
                       bool outOfBand)>
        OnReceive;

private:
    struct Received {
        int result = 0;  // byte count, or the negated error code
        QString remoteHost;
        int remotePort = 0;
    };

    void onWritable(int fd);
    void onReadable(int fd);
    void handleReadable();
    Received InnerReceive();
    int receiveOnce(bool peek, Received& from);
    void discardQueuedDatagram();
    void startNotifiers(int fd);
    void stopNotifiers();
    void resetBuffer();
    void reportFromNotification(const std::function<void()>& work);

    bool autoResize_ = true;
    int error_ = 0;
    int localPort_ = 0;
    int handle_ = -1;
    THmSocketState state_ = THmSocketState::Closed;
    QString localHost_;
    std::vector<char> buffer_;
    QPointer<QSocketNotifier> readNotifier_;
    QPointer<QSocketNotifier> writeNotifier_;
    ErrorSink* errorSink_ = nullptr;
    ReceiveCounters counters_;
};

// The published form, as the hub form owns it: AutoResize true, BufferSize 1024.
class THmUdp : public THmCustomUdp {
    Q_OBJECT
    Q_PROPERTY(bool AutoResize READ GetAutoResize WRITE SetAutoResize)
    Q_PROPERTY(int BufferSize READ GetBufferSize WRITE SetBufferSize)

public:
    explicit THmUdp(QObject* parent = nullptr);
};

}  // namespace zul
