#include "protocol/udp_line.h"

#include "platform/cp932.h"
#include "protocol/command_table.h"
#include "protocol/receive_log.h"

namespace zul {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

UdpLine parseUdpLine(QByteArrayView d) {
    UdpLine line;
    line.magic = d.first(std::min<qsizetype>(3, d.size())).toByteArray();
    qsizetype i = 4;  // after the magic and one separator
    // A decimal number as scanf reads it: blanks, an optional sign, digits.
    while (i < d.size() && isBlank(d[i])) {
        ++i;
    }
    bool negative = false;
    if (i < d.size() && (d[i] == '-' || d[i] == '+')) {
        negative = d[i] == '-';
        ++i;
    }
    const qsizetype digitsStart = i;
    qint64 value = 0;
    while (i < d.size() && d[i] >= '0' && d[i] <= '9') {
        value = std::min<qint64>(value * 10 + (d[i] - '0'), 0x7FFFFFFF);
        ++i;
    }
    if (i == digitsStart || d.size() < 4) {
        return line;  // no kind: nothing after it is read either
    }
    line.kind = static_cast<int>(negative ? -value : value);
    ++i;  // the second separator
    while (i < d.size() && isBlank(d[i])) {
        ++i;
    }
    const qsizetype start = i;
    while (i < d.size() && !isBlank(d[i]) && i - start < kMaxUdpOperandBytes) {
        ++i;
    }
    if (start < d.size()) {
        line.operand = d.sliced(start, i - start).toByteArray();
    }
    return line;
}

QByteArray udpReceiveLogLine(QByteArrayView server, const UdpLine& line) {
    QByteArray out = cp932::encode(u"PKT受信[U]: server=[");
    out += padRight(untilNul(server), 20);
    out +=
        "] Cmd(" + zeroPadded(line.kind, 3) + ") Op(" + untilNul(line.operand).toByteArray() + ")";
    out += line.hasMagic() ? " [run]" : "[broken]";
    return out;
}

bool isStatusLineOperand(QByteArrayView operand) {
    return !operand.isEmpty() && operand.front() == static_cast<char>(Cmd::CmdMessage);
}

QByteArray udpDiscoveryRequest() {
    return QByteArrayLiteral("ZUL,1,\n");
}

QByteArray udpDiscoveryAnswer(QByteArrayView role, QByteArrayView host) {
    return "ZUL,2," + role.toByteArray() + "," + host.toByteArray() + "\n";
}

QByteArray udpFailureNotice() {
    return QByteArrayLiteral("ZUL,4,\n");
}

}  // namespace zul
