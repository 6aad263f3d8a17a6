#include "external/iptalk.h"

#include <QCoreApplication>
#include <QWidget>

#include "model/debug_log.h"
#include "model/settings.h"

namespace zul {

IptalkCooperation::IptalkCooperation(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)) {
    Idle_.setInterval(kIdleMs);
    connect(&Idle_, &QTimer::timeout, this, &IptalkCooperation::IdleTimer);
}

IptalkCooperation::~IptalkCooperation() {
    for (const Batch& batch : batches_) {
        if (!batch.looked) {
            QHostInfo::abortHostLookup(batch.lookupId);
        }
    }
}

WindowId IptalkCooperation::iptalkWindow() const {
    return ctx_.windows.findByClass(kWindowClass);
}

void IptalkCooperation::PlaceIptalk() {
    const WindowId w = iptalkWindow();
    if (w == 0) {
        return;
    }
    const Settings& s = ctx_.settings;
    X11Windows& x = ctx_.windows;
    x.setRect(w, QRect(s.Iptalk_top(), s.Iptalk_left(), s.Iptalk_width(), s.Iptalk_height()));
    x.setTopmost(w, s.Iptalk_topmost());
    x.map(w);
    hiddenByCommand_ = false;
}

void IptalkCooperation::setBoxes(const QRect& rect) {
    Settings& s = ctx_.settings;
    // Iptalk_top holds the left edge, Iptalk_left the top edge.
    s.Iptalk_top.set(rect.left());
    s.Iptalk_left.set(rect.top());
    s.Iptalk_width.set(rect.width());
    s.Iptalk_height.set(rect.height());
}

void IptalkCooperation::CaptureIptalk() {
    std::optional<QRect> rect;
    if (const WindowId w = iptalkWindow()) {
        rect = ctx_.windows.rect(w);
    } else if (substitute_ != nullptr) {
        // The substitute's outer rectangle as the window functions read one, so that the
        // display machine places IPtalk's frame exactly there.
        if (ctx_.windows.available() && substitute_->testAttribute(Qt::WA_WState_Created)) {
            rect = ctx_.windows.rect(substitute_->winId());
        }
        if (!rect) {
            rect = substitute_->frameGeometry();
        }
    }
    if (rect) {
        setBoxes(*rect);
    }
}

void IptalkCooperation::SendIptalkPlacement() {
    const Settings& s = ctx_.settings;
    IptalkPlacement p;
    p.x = s.Iptalk_top();
    p.y = s.Iptalk_left();
    p.width = s.Iptalk_width();
    p.height = s.Iptalk_height();
    p.topmost = s.Iptalk_topmost();
    p.noSync = s.IPtalk_sync();
    ctx_.channel.send(iptalkPositionPacket(p));
}

void IptalkCooperation::HideIptalk() {
    if (const WindowId w = iptalkWindow()) {
        ctx_.windows.lower(w);
        ctx_.windows.unmap(w);
        hiddenByCommand_ = true;
    }
}

void IptalkCooperation::ShowIptalk() {
    if (const WindowId w = iptalkWindow()) {
        ctx_.windows.map(w);
        ctx_.windows.raise(w);
        hiddenByCommand_ = false;
    }
}

void IptalkCooperation::CmdIptalkPosition(QByteArrayView operand) {
    const IptalkPositionOperand op = parseIptalkPosition(operand);
    if (const WindowId w = iptalkWindow()) {
        if (const auto rect = ctx_.windows.rect(w)) {
            setBoxes(*rect);
        }
    }
    Settings& s = ctx_.settings;
    const auto replace = [](RangedSetting& box, const std::optional<qint32>& value) {
        if (value && *value != kIptalkKeep) {
            box.set(*value);  // clamped to the box's range
        }
    };
    replace(s.Iptalk_top, op.x);
    replace(s.Iptalk_left, op.y);
    replace(s.Iptalk_width, op.width);
    replace(s.Iptalk_height, op.height);
    // A flag that the packet does not carry stays as it is.
    if (op.topmost) {
        s.Iptalk_topmost.set(*op.topmost == 1);
    }
    if (op.noSync) {
        s.IPtalk_sync.set(*op.noSync == 1);
    }
    if (s.Iptalk_topmost()) {
        Idle_.start();
    } else {
        Idle_.stop();
    }
    PlaceIptalk();
}

void IptalkCooperation::IdleTimer() {
    const WindowId w = iptalkWindow();
    if (w == 0) {
        return;
    }
    ctx_.windows.setTopmost(w, true);
    // Shown again (after a minimise, say), unless CmdIptalkHide hid it: that stands until
    // CmdIptalkShow or a placement.
    if (!hiddenByCommand_) {
        ctx_.windows.map(w);
    }
    QCoreApplication::processEvents();
}

QString IptalkCooperation::ownHost() {
    return QHostInfo::localHostName();
}

void IptalkCooperation::SendIptalkSettingsFile(const QByteArray& fileName, const QString& host) {
    sendBatch(host, iptalkSettingsFileBatch(fileName),
              QStringLiteral("IPTalkホストアドレス取得失敗"));
}

void IptalkCooperation::SendIptalkFade(bool on, qint32 amount) {
    sendBatch(ownHost(), iptalkFadeBatch(on, amount),
              QStringLiteral("IPTalkホストアドレス取得失敗２"));
}

void IptalkCooperation::sendBatch(const QString& host, QByteArrayList datagrams,
                                  const QString& lookupFailure) {
    Batch batch;
    if (!batch.socket.isOpen()) {
        ctx_.log.add(QStringLiteral("ソケット作成失敗。IPtalkと連携できません。"));
        return;
    }
    if (batches_.size() >= kMaxPendingBatches) {
        ctx_.log.add(
            QStringLiteral("IPtalkへの送信が%1件たまっているため、この送信は取りやめます。")
                .arg(batches_.size()));
        return;
    }
    batch.datagrams = std::move(datagrams);
    batch.lookupFailure = lookupFailure;
    batch.port = iptalkPort(ctx_.settings.IPtalkCh());
    if (const QHostAddress literal(host); literal.protocol() == QAbstractSocket::IPv4Protocol) {
        batch.looked = true;
        batch.address = literal;
        batches_.push_back(std::move(batch));
        sendReadyBatches();
        return;
    }
    batches_.push_back(std::move(batch));
    // The answer always comes through the event loop; batches behind one that waits for
    // its answer wait too, so that they keep their order.
    batches_.back().lookupId =
        QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) { hostFound(info); });
}

void IptalkCooperation::hostFound(const QHostInfo& info) {
    for (Batch& batch : batches_) {
        if (!batch.looked && batch.lookupId == info.lookupId()) {
            batch.looked = true;
            for (const QHostAddress& a : info.addresses()) {
                if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                    batch.address = a;
                    break;
                }
            }
            break;
        }
    }
    sendReadyBatches();
}

void IptalkCooperation::sendReadyBatches() {
    while (!batches_.empty() && batches_.front().looked) {
        Batch batch = std::move(batches_.front());
        batches_.pop_front();
        send(batch);
        Q_EMIT batchDone();
    }
}

void IptalkCooperation::send(Batch& batch) {
    if (!batch.address) {
        ctx_.log.add(batch.lookupFailure);
        return;
    }
    int position = 0;
    for (const QByteArray& datagram : batch.datagrams) {
        ++position;
        if (!batch.socket.send(*batch.address, batch.port, datagram)) {
            ctx_.log.add(iptalkSendFailure(position));
        }
    }
    // The socket closes with the batch.
}

}  // namespace zul
