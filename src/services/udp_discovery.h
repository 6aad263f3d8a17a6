#pragma once

// The UDP services every copy keeps on its port: discovery requests and answers that fill
// the peer lists, status lines shown in every console, the failure notice that makes
// everybody reconnect, and the change notices. Every datagram goes to one directed
// broadcast address computed from the chosen network card.

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "protocol/datagram_sender.h"

namespace zul {

class DebugLog;
class Dialogs;
class ErrorSink;
class PacketExecutor;
class PeerList;
class THmUdp;
struct HubState;
struct Settings;

class UdpDiscovery : public QObject, public DatagramSender {
    Q_OBJECT
public:
    static constexpr int kBroadcastIntervalMs = 30000;
    static constexpr const char* kFallbackAddress = "192.168.0.255";

    // What the broadcast computation gives for a network card choice.
    struct CardChoice {
        QStringList entries;                // the network card list
        int selected = -1;                  // selected entry
        std::optional<QByteArray> address;  // nullopt: keep the previous address
    };
    using CardSource = std::function<CardChoice(int previousIndex)>;

    // Roles and actions of the windows and connections above this layer.
    struct Hooks {
        std::function<bool()> displayOpen;   // the display listener is open
        std::function<bool()> operatorOpen;  // the operator connection is open
        std::function<void()> startOperatorRole;
        std::function<void()> reconnectOperator;
        std::function<void()> reconnectMirror;
        std::function<void()> refreshPartsList;
        std::function<void()> refreshFileList;
    };

    UdpDiscovery(Settings& settings, HubState& hub, DebugLog& log, Dialogs& dialogs,
                 PacketExecutor& executor, PeerList& peers, QByteArray hostName,
                 QObject* parent = nullptr);
    ~UdpDiscovery() override;

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    const Hooks& hooks() const { return hooks_; }
    void setCardSource(CardSource source) { cards_ = std::move(source); }

    // Opens the socket on the Port value (at hub creation); errors are logged only.
    void open();
    // Closes the socket; at program exit the close is not logged.
    void close(bool exiting = false);
    THmUdp& socket() { return *UdpSocket; }
    // Where errors of the socket's notifications and of the periodic discovery go (the
    // application error handler).
    void setErrorSink(ErrorSink* sink);

    // Recomputes BroadcastAddress and the network card list.
    void UpdateBroadcastAddress();
    // Sends one line to BroadcastAddress on the Port value. Returns false when the socket
    // is not open yet; throws ZulError when the send fails.
    bool sendLine(const QByteArray& line);
    bool sendDatagram(const QByteArray& datagram) override { return sendLine(datagram); }

    // "PC検索": recompute the address and ask who is there.
    void Button25Click();
    void BCastTimer();
    QTimer& bcastTimer() { return BCast; }
    // The Port value changed: reopen on the new port.
    void PortChange();
    // A double click on a peer entry: "[S]host" sets the host to connect to.
    void NetListDblClick(const QString& entry);
    void SelectNICChange(int index);

    const QStringList& nicEntries() const { return nicEntries_; }
    int nicSelected() const { return nicSelected_; }

    // Role letters of the discovery answer: "SE", "CL" or "WA".
    QByteArray role() const;

    // Handles one received datagram.
    void UdpSocketReceive(const QString& remoteHost, const QByteArray& datagram);

Q_SIGNALS:
    void nicListChanged();

private:
    void handleAnswer(const QByteArray& operand);
    // Kind 3: only a CmdMessage packet runs; anything else is logged and dropped.
    void handleStatusLine(const QByteArray& operand);
    void handleNotice(const QByteArray& operand);

    Settings& settings_;
    HubState& hub_;
    DebugLog& log_;
    Dialogs& dialogs_;
    PacketExecutor& executor_;
    PeerList& peers_;
    QByteArray host_;
    Hooks hooks_;
    CardSource cards_;
    std::unique_ptr<THmUdp> UdpSocket;
    QTimer BCast;
    QStringList nicEntries_;
    int nicSelected_ = -1;
    bool asked_ = false;            // the question about a found display machine, once per run
    bool peersFullLogged_ = false;  // the full peer list was logged since the last request
    bool exiting_ = false;
    ErrorSink* errorSink_ = nullptr;
};

// The card choice computed from this machine's interfaces and host name.
UdpDiscovery::CardChoice systemCardChoice(int previousIndex);

}  // namespace zul
