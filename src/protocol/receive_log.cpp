#include "protocol/receive_log.h"

#include <cstdio>

#include "platform/cp932.h"
#include "protocol/command_table.h"

namespace zul {
namespace {

constexpr int kLabelWidth = 40;
constexpr int kHostWidth = 20;
constexpr int kByteDigits = 3;

const QByteArray& displayPrefix() {
    static const QByteArray p = cp932::encode(u"PKT受信[S]: ");
    return p;
}

const QByteArray& operatorPrefix() {
    static const QByteArray p = cp932::encode(u"PKT受信[C]:");
    return p;
}

const QByteArray& displayUnknownPrefix() {
    static const QByteArray p = cp932::encode(u".PKT受信[S]: ");
    return p;
}

const QByteArray& operatorUnhandledPrefix() {
    static const QByteArray p = cp932::encode(u",PKT受信[C]: ");
    return p;
}

// The operand as the log shows it. The key of a base directory change ("key,folder") is
// never written: anybody connected can fetch the log.
QByteArray shownOperand(int byte, QByteArrayView packet) {
    const QByteArrayView operand = logOperand(packet);
    if (byte != commandByte(Cmd::CmdDirChange)) {
        return operand.toByteArray();
    }
    QByteArray shown = kMaskedKey.toByteArray();
    if (const qsizetype comma = operand.indexOf(','); comma >= 0) {
        shown += operand.sliced(comma);
    }
    return shown;
}

// "Cmd(%03d[%-40s]) Op(%s)"
QByteArray commandPart(int byte, QByteArrayView label, QByteArrayView packet) {
    QByteArray out;
    out += "Cmd(";
    out += zeroPadded(byte, kByteDigits);
    out += '[';
    out += padRight(untilNul(label), kLabelWidth);
    out += "]) Op(";
    out += shownOperand(byte, packet);
    out += ')';
    return out;
}

// "client=[%-20s] "
QByteArray clientPart(QByteArrayView peerHost) {
    return "client=[" + padRight(untilNul(peerHost), kHostWidth) + "] ";
}

QByteArray receiveLine(const QByteArray& prefix, QByteArrayView packet) {
    const int byte = commandByteOf(packet);
    return prefix + commandPart(byte, commandLabel(byte), packet);
}

QByteArray clientLine(const QByteArray& prefix, QByteArrayView peerHost, QByteArrayView packet) {
    return prefix + clientPart(peerHost) +
           commandPart(commandByteOf(packet), unknownCommandLabel(), packet);
}

}  // namespace

QByteArray padRight(QByteArrayView text, int width) {
    QByteArray out = text.toByteArray();
    if (out.size() < width) {
        out.append(width - out.size(), ' ');
    }
    return out;
}

QByteArray zeroPadded(int value, int width) {
    char digits[32];
    const int n = std::snprintf(digits, sizeof digits, "%0*d", width, value);
    return n < 0 ? QByteArray() : QByteArray(digits, qMin<int>(n, sizeof digits - 1));
}

QByteArrayView untilNul(QByteArrayView bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.first(nul);
}

QByteArrayView logOperand(QByteArrayView packet) {
    return packet.isEmpty() ? QByteArrayView() : untilNul(packet.sliced(1));
}

QByteArray displayReceiveLine(QByteArrayView packet) {
    return receiveLine(displayPrefix(), packet);
}

QByteArray operatorReceiveLine(QByteArrayView packet) {
    return receiveLine(operatorPrefix(), packet);
}

QByteArray displayUnknownLine(QByteArrayView peerHost, QByteArrayView packet) {
    return clientLine(displayUnknownPrefix(), peerHost, packet);
}

QByteArray operatorUnhandledLine(QByteArrayView peerHost, QByteArrayView packet) {
    return clientLine(operatorUnhandledPrefix(), peerHost, packet);
}

}  // namespace zul
