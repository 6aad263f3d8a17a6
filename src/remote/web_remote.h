#pragma once

// The browser remote: a page, a small JSON API and a WebSocket served by the display
// machine, so that an operator can drive it from a phone or tablet. Every action is an
// ordinary internal packet for the interpreter: logged, mirrored and bounded like any other.
// It serves while the display role runs and the hub's "ブラウザからの操作を許可" is on,
// on the chosen network card's address and on loopback.

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "remote/web_api.h"

namespace zul {

class DebugLog;
class ErrorSink;
class PacketExecutor;
class WebRemoteServer;
struct Settings;

class WebRemote : public QObject {
    Q_OBJECT
public:
    static constexpr int kStatusLines = 20;
    static constexpr int kPushDelayMs = 16;
    static constexpr int kPollMs = 250;
    static constexpr int kScreenIntervalMs = 250;
    static constexpr int kScreenWidth = 640;
    static constexpr int kFileListMs = 2000;
    static constexpr int kFileListFactor = 50;
    static constexpr int kMaxFiles = 2000;

    // What the display machine shows, asked for when the page wants it.
    struct Sources {
        std::function<RemoteState()> state;  // caption, background, parts, operators...
        std::function<QImage()> screen;      // the display window, rendered (this thread)
        // Where the display window is on the X screen (empty: not shown), and the screen's
        // pixels of such an area as the audience sees them, read on any thread; without
        // them (no X display) the window is rendered instead.
        std::function<QRect()> screenArea;
        std::function<QImage(const QRect&)> grabArea;
        std::function<std::optional<QHostAddress>()> cardAddress;  // the chosen network card
    };

    WebRemote(Settings& settings, DebugLog& log, ErrorSink& errors, PacketExecutor& executor,
              Sources sources, QObject* parent = nullptr);
    ~WebRemote() override;

    // Serves while `displayRunning` and the setting say so; call when either changes.
    void follow(bool displayRunning);
    // Moves to the chosen network card's address when it changed while serving.
    void followCard();
    bool serving() const;
    quint16 port() const;
    // The addresses to open in a browser ("http://192.168.1.5:30080/"), card first.
    QStringList addresses() const;

    // Called after the interpreter ran a packet: the pages hear of the change within a frame.
    void packetExecuted(QByteArrayView work);
    // A status line (this machine's or another's) for the page's status list.
    void addStatusLine(const QByteArray& line);

    // Parts of the answer that the server asks for.
    QByteArray stateBody(bool pushed = false);
    QByteArray screenJpeg();
    const QStringList& statusLines() const { return status_; }
    Settings& settings() { return settings_; }
    DebugLog& log() { return log_; }
    ErrorSink& errors() { return errors_; }
    PacketExecutor& executor() { return executor_; }

Q_SIGNALS:
    // The serving state changed; `addresses` is empty when not serving.
    void servingChanged(const QStringList& addresses);

private:
    void start();
    void stop();
    // Serves anew: another port or address.
    void restart();
    void pushSoon();
    void bury(WebRemoteServer* server);
    void refreshScreen();
    QImage pictureNow() const;
    QList<QHostAddress> wantedAddresses() const;
    const QStringList& files();

    Settings& settings_;
    DebugLog& log_;
    ErrorSink& errors_;
    PacketExecutor& executor_;
    Sources sources_;
    bool displayRunning_ = false;
    std::unique_ptr<WebRemoteServer> server_;
    std::vector<std::unique_ptr<WebRemoteServer>> retired_;
    QStringList status_;
    QByteArray lastStatus_;
    QElapsedTimer lastStatusAt_;
    QStringList files_;
    bool filesTruncated_ = false;
    qint64 filesCostMs_ = 0;
    QList<QHostAddress> listening_;
    QString filesFolder_;
    QElapsedTimer filesAt_;
    QByteArray jpeg_;
    QElapsedTimer jpegAt_;
    bool encoding_ = false;
    bool screenUnreadable_ = false;  // the X screen gave no picture: the window is rendered
    QTimer push_;
    QTimer poll_;
    // Last member: it is destroyed first and waits for a picture being made.
    QThreadPool encoder_;
};

}  // namespace zul
