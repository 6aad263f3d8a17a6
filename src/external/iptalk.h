#pragma once

// Cooperation with IPtalk, the captioning program that runs beside the display: its main
// window (class "Ttalk2e") is placed, kept on top, hidden and shown through the X11
// window functions, and IPtalk is told by "$set$" datagrams to load a settings file and
// to fade together with the display window. Nothing is ever read back from IPtalk; while
// it does not run, the window operations do nothing and report nothing.

#include <QByteArray>
#include <QHostInfo>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <deque>
#include <optional>

#include "external/iptalk_datagrams.h"
#include "platform/datagram_batch.h"
#include "platform/x11_windows.h"
#include "services/operator_channel.h"

class QWidget;

namespace zul {

class DebugLog;
struct Settings;

class IptalkCooperation : public QObject {
    Q_OBJECT
public:
    // IPtalk's main window, and the substitute window of the operator machine.
    static constexpr QByteArrayView kWindowClass = "Ttalk2e";
    static constexpr QByteArrayView kSubstituteClass = "Ttalk2";
    static constexpr int kIdleMs = 1000;
    // Batches waiting for their host's address beyond this many are dropped.
    static constexpr std::size_t kMaxPendingBatches = 64;

    struct Context {
        Settings& settings;
        DebugLog& log;
        X11Windows& windows;
        // Where SendIptalkPlacement goes: the operator connection.
        OperatorChannel channel;
    };

    explicit IptalkCooperation(Context context, QObject* parent = nullptr);
    ~IptalkCooperation() override;

    // The substitute window, whose rectangle CaptureIptalk takes while IPtalk does not run
    // on this machine. Not owned.
    void setSubstitute(QWidget* window) { substitute_ = window; }

    Settings& settings() const { return ctx_.settings; }

    // IPtalk's window on this machine, 0 when it does not run.
    WindowId iptalkWindow() const;
    bool windowExists() const { return iptalkWindow() != 0; }

    // Moves IPtalk's window to the four boxes, into the topmost band or out of it as
    // Iptalk_topmost says, and shows it.
    void PlaceIptalk();
    // Fills the four boxes from IPtalk's window, or from the substitute window.
    void CaptureIptalk();
    // Sends the boxes and the two flags to the display machine as CmdIptalkPosition.
    void SendIptalkPlacement();
    // To the bottom and hidden / to the top and shown; position and size kept.
    void HideIptalk();
    void ShowIptalk();
    // The display machine's side of CmdIptalkPosition.
    void CmdIptalkPosition(QByteArrayView operand);

    // The keep-on-top timer and its tick: IPtalk's window into the topmost band, and shown
    // unless HideIptalk hid it (until ShowIptalk or PlaceIptalk).
    QTimer& Idle() { return Idle_; }
    void IdleTimer();

    // The datagram batches, to port 6712 + 100 x IPtalkCh of `host`'s first IPv4 address.
    // The host is looked up without waiting; batches go out in the order asked for.
    void SendIptalkSettingsFile(const QByteArray& fileName, const QString& host);
    void SendIptalkFade(bool on, qint32 amount);
    // This machine's host name, to which the display machine's batches go.
    static QString ownHost();

Q_SIGNALS:
    // A batch has been handed to the system (or given up), for tests and the log view.
    void batchDone();

private:
    struct Batch {
        QByteArrayList datagrams;
        quint16 port = 0;
        QString lookupFailure;
        DatagramBatchSocket socket;
        int lookupId = -1;
        bool looked = false;
        std::optional<QHostAddress> address;
    };

    void sendBatch(const QString& host, QByteArrayList datagrams, const QString& lookupFailure);
    void hostFound(const QHostInfo& info);
    void sendReadyBatches();
    void send(Batch& batch);
    void setBoxes(const QRect& rect);

    Context ctx_;
    QPointer<QWidget> substitute_;
    QTimer Idle_;
    std::deque<Batch> batches_;
    bool hiddenByCommand_ = false;
};

}  // namespace zul
