#pragma once

// One connection of zulctl to a display machine. zulctl has no window and nothing else to
// do meanwhile, so it waits on the socket itself, always against a deadline.

#include <QByteArray>
#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QString>
#include <QTcpSocket>
#include <functional>
#include <optional>

#include "ctl/ctl_request.h"
#include "protocol/packet_splitter.h"

namespace zul::ctl {

class DisplaySession {
public:
    enum class Outcome {
        Complete,  // the whole answer arrived
        TimedOut,  // not within the deadline
        Closed,    // the display machine closed the connection first
    };

    DisplaySession() = default;
    DisplaySession(const DisplaySession&) = delete;
    DisplaySession& operator=(const DisplaySession&) = delete;
    ~DisplaySession();

    // Connects within `timeout`; the reason when it cannot.
    std::optional<QString> open(const QString& host, int port, std::chrono::milliseconds timeout);

    // Sends `packets` and the end mark and reads replies until the answer of `command` is
    // complete; `reply` gets each packet of the answer itself (without line feed).
    Outcome exchange(const QByteArrayList& packets, Cmd command,
                     const std::function<void(const QByteArray&)>& reply,
                     std::chrono::milliseconds timeout);

    // Closes the connection in order (so that the display machine sees no reset).
    void close();

private:
    bool write(const QByteArray& bytes, const QDeadlineTimer& deadline);

    QTcpSocket socket_;
    PacketSplitter splitter_;
};

// The line zulctl prints for an outcome that is no answer.
QString outcomeText(DisplaySession::Outcome outcome, const QString& host, int port,
                    std::chrono::milliseconds timeout);

}  // namespace zul::ctl
