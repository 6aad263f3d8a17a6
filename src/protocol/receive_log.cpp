#include "protocol/receive_log.h"

#include <array>
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

// Appends the operand as the log shows it. The key of a base directory change
// ("key,folder") is never written: anybody connected can fetch the log.
void appendShownOperand(QByteArray& out, int byte, QByteArrayView packet) {
    const QByteArrayView operand = logOperand(packet);
    if (byte != commandByte(Cmd::CmdDirChange)) {
        out += operand;
        return;
    }
    out += kMaskedKey;
    if (const qsizetype comma = operand.indexOf(','); comma >= 0) {
        out += operand.sliced(comma);
    }
}

// "Cmd(%03d[%-40s]) Op("
QByteArray commandHead(int byte, QByteArrayView label) {
    return "Cmd(" + zeroPadded(byte, kByteDigits) + '[' + padRight(untilNul(label), kLabelWidth) +
           "]) Op(";
}

// head + "%s)" with the operand.
QByteArray withOperand(const QByteArray& head, int byte, QByteArrayView packet) {
    QByteArray out;
    out.reserve(head.size() + packet.size() + 1);
    out += head;
    appendShownOperand(out, byte, packet);
    out += ')';
    return out;
}

// A receive line up to its operand, for every byte a packet may start with: a line is
// written for every packet, and only the operand differs between two of one command.
using LineHeads = std::array<QByteArray, 256>;

LineHeads lineHeads(const QByteArray& prefix) {
    LineHeads heads;
    for (std::size_t byte = 0; byte < heads.size(); ++byte) {
        const int b = static_cast<int>(byte);
        heads[byte] = prefix + commandHead(b, commandLabel(b));
    }
    return heads;
}

// "client=[%-20s] "
QByteArray clientPart(QByteArrayView peerHost) {
    return "client=[" + padRight(untilNul(peerHost), kHostWidth) + "] ";
}

QByteArray receiveLine(const LineHeads& heads, QByteArrayView packet) {
    const int byte = commandByteOf(packet);  // 0 or a command byte
    return withOperand(heads[static_cast<std::size_t>(byte) % heads.size()], byte, packet);
}

QByteArray clientLine(const QByteArray& prefix, QByteArrayView peerHost, QByteArrayView packet) {
    const int byte = commandByteOf(packet);
    return withOperand(prefix + clientPart(peerHost) + commandHead(byte, unknownCommandLabel()),
                       byte, packet);
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
    static const LineHeads heads = lineHeads(displayPrefix());
    return receiveLine(heads, packet);
}

QByteArray operatorReceiveLine(QByteArrayView packet) {
    static const LineHeads heads = lineHeads(operatorPrefix());
    return receiveLine(heads, packet);
}

QByteArray displayUnknownLine(QByteArrayView peerHost, QByteArrayView packet) {
    return clientLine(displayUnknownPrefix(), peerHost, packet);
}

QByteArray operatorUnhandledLine(QByteArrayView peerHost, QByteArrayView packet) {
    return clientLine(operatorUnhandledPrefix(), peerHost, packet);
}

}  // namespace zul
