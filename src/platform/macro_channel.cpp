#include "platform/macro_channel.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QFileInfo>

namespace zul {
namespace {

// A bus name is at most 255 characters long.
constexpr qsizetype kMaxServiceChars = 255;
constexpr int kSendTimeoutMs = 10000;

bool plainNameChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
}

QDBusConnection busAt(const QString& address, const QString& connectionName) {
    return address.isEmpty() ? QDBusConnection::sessionBus()
                             : QDBusConnection::connectToBus(address, connectionName);
}

}  // namespace

QString MacroChannel::serviceName(const QString& programFile) {
    QString name = QFileInfo(programFile).fileName();
    if (const qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0) {
        name.truncate(dot);
    }
    for (QChar& c : name) {
        if (!plainNameChar(c)) {
            c = QLatin1Char('_');
        }
    }
    if (name.isEmpty() || name.front().isDigit()) {
        name.prepend(QLatin1Char('_'));
    }
    const QString prefix = QString::fromLatin1(kServicePrefix);
    return prefix + name.left(kMaxServiceChars - prefix.size());
}

MacroChannel::MacroChannel(QObject* parent) : QObject(parent) {}

MacroChannel::~MacroChannel() {
    close();
}

QString MacroChannel::open(const QString& service, const QString& busAddress) {
    close();
    const QString name =
        busAddress.isEmpty()
            ? QString()
            : QStringLiteral("zul-macro-channel-%1").arg(reinterpret_cast<quintptr>(this));
    QDBusConnection bus = busAt(busAddress, name);
    if (!bus.isConnected()) {
        const QString why = bus.lastError().message();
        if (!name.isEmpty()) {
            QDBusConnection::disconnectFromBus(name);
        }
        return QStringLiteral("セッションバスに接続できません（%1）").arg(why);
    }
    connectionName_ = bus.name();
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportScriptableSlots)) {
        close();
        return QStringLiteral("オブジェクト %1 を登録できません").arg(QLatin1String(kObjectPath));
    }
    if (!bus.registerService(service)) {
        const QDBusError error = bus.lastError();
        close();
        return error.isValid()
                   ? QStringLiteral("名前 %1 を登録できません（%2）").arg(service, error.message())
                   : QStringLiteral("名前 %1 はほかのプログラムが使っています").arg(service);
    }
    service_ = service;
    return {};
}

void MacroChannel::close() {
    if (connectionName_.isEmpty()) {
        return;
    }
    QDBusConnection bus(connectionName_);
    if (!service_.isEmpty()) {
        bus.unregisterService(service_);
    }
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
    if (connectionName_ != QDBusConnection::sessionBus().name()) {
        QDBusConnection::disconnectFromBus(connectionName_);
    }
    connectionName_.clear();
    service_.clear();
}

void MacroChannel::Execute(const QString& macro) {
    // Answered at once; the macro runs from the event loop, so a macro that opens a dialog
    // keeps neither the caller nor the bus waiting.
    QMetaObject::invokeMethod(
        this,
        [this, text = macro.left(kKeptChars), size = macro.size()] {
            if (received) {
                received(text, size);
            }
        },
        Qt::QueuedConnection);
}

MacroChannel::SendResult MacroChannel::send(const QString& service, const QString& macro,
                                            const QString& busAddress) {
    const QString name = busAddress.isEmpty() ? QString() : QStringLiteral("zul-macro-client");
    QDBusConnection bus = busAt(busAddress, name);
    SendResult result;
    if (!bus.isConnected()) {
        result.status = SendResult::Status::NoBus;
        result.detail = bus.lastError().message();
    } else {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, QString::fromLatin1(kObjectPath), QString::fromLatin1(kInterface),
            QStringLiteral("Execute"));
        call << macro;
        // Only a running copy may answer: the bus must never try to start one.
        call.setAutoStartService(false);
        // Events run while waiting, so a program may send to a channel it offers itself.
        const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, kSendTimeoutMs);
        if (reply.type() != QDBusMessage::ErrorMessage) {
            result.status = SendResult::Status::Sent;
        } else {
            const QString error = reply.errorName();
            const bool absent =
                error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
            result.status = absent ? SendResult::Status::NoProgram : SendResult::Status::Failed;
            result.detail = reply.errorMessage();
        }
    }
    if (!name.isEmpty()) {
        QDBusConnection::disconnectFromBus(name);
    }
    return result;
}

}  // namespace zul
