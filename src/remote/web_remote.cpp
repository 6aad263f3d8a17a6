#include "remote/web_remote.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTcpServer>
#include <algorithm>

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/directory_listing.h"
#include "protocol/command_table.h"
#include "remote/web_remote_server.h"

// The page's files are linked in from a static library: their resources are registered
// by hand.
static void registerWebResources() {
    Q_INIT_RESOURCE(web);
}

namespace zul {
namespace {

// The same status line heard twice this soon (this machine's own broadcast coming back)
// is listed once.
constexpr int kSameStatusMs = 3000;
constexpr int kJpegQuality = 70;
constexpr int kRetireMs = 1000;

// The picture at most kScreenWidth wide, as a JPEG; empty when it cannot be written.
QByteArray screenPicture(QImage picture) {
    if (picture.width() > WebRemote::kScreenWidth) {
        picture = picture.scaledToWidth(WebRemote::kScreenWidth, Qt::SmoothTransformation);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB32))) {
        return {};
    }
    return bytes;
}

}  // namespace

WebRemote::WebRemote(Settings& settings, DebugLog& log, ErrorSink& errors, PacketExecutor& executor,
                     Sources sources, QObject* parent)
    : QObject(parent),
      settings_(settings),
      log_(log),
      errors_(errors),
      executor_(executor),
      sources_(std::move(sources)) {
    registerWebResources();
    encoder_.setMaxThreadCount(1);
    push_.setSingleShot(true);
    push_.setInterval(kPushDelayMs);
    connect(&push_, &QTimer::timeout, this, [this] {
        if (server_ && server_->hasWebSockets()) {
            server_->pushState(stateBody(true));
        }
    });
    // Changes that come by no packet (operators connecting, clocks, files) are seen by a
    // look now and then while pages listen.
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] { pushSoon(); });
    const auto refollow = [this] { follow(displayRunning_); };
    connect(&settings_.WebRemote, &SettingBase::changed, this, refollow);
    connect(&settings_.WebKey, &SettingBase::changed, this, [this] {
        if (server_) {
            server_->closeWebSockets();
        }
    });
    connect(&settings_.WebPort, &SettingBase::changed, this, [this] {
        if (serving()) {
            restart();
        }
    });
}

WebRemote::~WebRemote() = default;

void WebRemote::follow(bool displayRunning) {
    displayRunning_ = displayRunning;
    const bool wanted = displayRunning_ && settings_.WebRemote();
    if (wanted && !serving()) {
        start();
    } else if (!wanted && server_) {
        stop();
    }
}

bool WebRemote::serving() const {
    return server_ != nullptr;
}

void WebRemote::bury(WebRemoteServer* server) {
    std::erase_if(retired_, [server](const std::unique_ptr<WebRemoteServer>& s) {
        return s.get() == server && s->busy() == 0;
    });
}

quint16 WebRemote::port() const {
    return static_cast<quint16>(settings_.WebPort());
}

QStringList WebRemote::addresses() const {
    QStringList out;
    if (!server_) {
        return out;
    }
    for (QTcpServer* s : server_->servers()) {
        if (s->isListening()) {
            out << QStringLiteral("http://%1:%2/")
                       .arg(s->serverAddress().toString())
                       .arg(s->serverPort());
        }
    }
    return out;
}

QList<QHostAddress> WebRemote::wantedAddresses() const {
    QList<QHostAddress> wanted;
    if (sources_.cardAddress) {
        if (const auto card = sources_.cardAddress(); card && !card->isLoopback()) {
            wanted << *card;
        }
    }
    wanted << QHostAddress(QHostAddress::LocalHost);
    return wanted;
}

void WebRemote::followCard() {
    if (serving() && wantedAddresses() != listening_) {
        restart();
    }
}

void WebRemote::restart() {
    stop();
    follow(displayRunning_);
}

void WebRemote::start() {
    const QList<QHostAddress> wanted = wantedAddresses();
    listening_ = wanted;
    server_ = std::make_unique<WebRemoteServer>(*this);
    const QList<QHostAddress> opened = server_->listenOn(wanted, port());
    if (opened.isEmpty()) {
        server_.reset();
        log_.add(QStringLiteral("ブラウザ操作を始められませんでした（ポート %1）。").arg(port()));
        Q_EMIT servingChanged({});
        return;
    }
    poll_.start();
    log_.add(
        QStringLiteral("ブラウザ操作を受け付けます：%1").arg(addresses().join(QLatin1Char(' '))));
    Q_EMIT servingChanged(addresses());
}

void WebRemote::stop() {
    poll_.stop();
    push_.stop();
    if (!server_) {
        return;
    }
    server_->closeListeners();
    if (server_->busy() > 0) {
        // Stopped while a request is being answered (a packet lets events run): the server
        // goes once that answer is through.
        WebRemoteServer* retired = server_.get();
        retired->idle = [this, retired] {
            // A moment for the last answers to be closed in order.
            QTimer::singleShot(kRetireMs, this, [this, retired] { bury(retired); });
        };
        retired_.push_back(std::move(server_));
    }
    server_.reset();
    log_.add(QStringLiteral("ブラウザ操作の受け付けを終えました。"));
    Q_EMIT servingChanged({});
}

void WebRemote::packetExecuted(QByteArrayView work) {
    if (commandByteOf(work) == commandByte(Cmd::CmdMessage)) {
        addStatusLine(work.sliced(1).toByteArray());
    }
    pushSoon();
}

void WebRemote::addStatusLine(const QByteArray& line) {
    if (line == lastStatus_ && lastStatusAt_.isValid() && lastStatusAt_.elapsed() < kSameStatusMs) {
        return;
    }
    lastStatus_ = line;
    lastStatusAt_.start();
    status_ << cp932::decode(line);
    while (status_.size() > kStatusLines) {
        status_.removeFirst();
    }
    pushSoon();
}

void WebRemote::pushSoon() {
    if (server_ && server_->hasWebSockets() && !push_.isActive()) {
        push_.start();
    }
}

const QStringList& WebRemote::files() {
    const QString folder = settings_.BaseDir();
    // A large folder costs its listing time on the one thread: it is listed again only after
    // many times that time has passed.
    const qint64 interval = std::max<qint64>(kFileListMs, kFileListFactor * filesCostMs_);
    if (folder != filesFolder_ || !filesAt_.isValid() || filesAt_.elapsed() > interval) {
        QElapsedTimer cost;
        cost.start();
        files_.clear();
        filesTruncated_ = false;
        for (const DirectoryEntry& entry : listDirectory(folder, u"*.*")) {
            if (entry.kind != EntryKind::PlainFile) {
                continue;
            }
            if (files_.size() >= kMaxFiles) {
                filesTruncated_ = true;
                break;
            }
            files_ << entry.name;
        }
        filesFolder_ = folder;
        filesCostMs_ = cost.elapsed();
        filesAt_.start();
    }
    return files_;
}

QByteArray WebRemote::stateBody(bool pushed) {
    RemoteState state = sources_.state ? sources_.state() : RemoteState{};
    state.baseDir = settings_.BaseDir();
    state.files = files();
    state.filesTruncated = filesTruncated_;
    state.status = status_;
    return stateJson(state, pushed);
}

QImage WebRemote::pictureNow() const {
    if (!screenUnreadable_ && sources_.screenArea && sources_.grabArea) {
        const QRect area = sources_.screenArea();
        if (area.isEmpty()) {
            return {};
        }
        if (QImage shot = sources_.grabArea(area); !shot.isNull()) {
            return shot;
        }
    }
    return sources_.screen ? sources_.screen() : QImage();
}

QByteArray WebRemote::screenJpeg() {
    const bool fresh = jpegAt_.isValid() && jpegAt_.elapsed() < kScreenIntervalMs;
    if (!jpeg_.isEmpty()) {
        // The picture at hand answers at once; a newer one is made beside the event loop
        // for the next request.
        if (!fresh && !encoding_) {
            refreshScreen();
        }
        return jpeg_;
    }
    const QImage picture = pictureNow();
    if (picture.isNull()) {
        return {};
    }
    jpegAt_.start();
    jpeg_ = screenPicture(picture);
    return jpeg_;
}

void WebRemote::refreshScreen() {
    const auto deliver = [this](const QByteArray& jpeg, bool unreadable) {
        QMetaObject::invokeMethod(
            this,
            [this, jpeg, unreadable] {
                if (!jpeg.isEmpty()) {
                    jpeg_ = jpeg;
                }
                screenUnreadable_ = screenUnreadable_ || unreadable;
                encoding_ = false;
            },
            Qt::QueuedConnection);
    };
    // Reading a full screen from the X server, scaling and compressing it take the time of
    // a frame or two: not on the thread that paints the audience's screen.
    const QRect area = sources_.screenArea ? sources_.screenArea() : QRect();
    if (!screenUnreadable_ && !area.isEmpty() && sources_.grabArea) {
        jpegAt_.start();
        encoding_ = true;
        encoder_.start([deliver, area, grab = sources_.grabArea] {
            const QImage shot = grab(area);
            deliver(shot.isNull() ? QByteArray() : screenPicture(shot), shot.isNull());
        });
        return;
    }
    const QImage picture = sources_.screen ? sources_.screen() : QImage();
    if (picture.isNull()) {
        return;
    }
    jpegAt_.start();
    encoding_ = true;
    encoder_.start([deliver, picture] { deliver(screenPicture(picture), false); });
}

}  // namespace zul
