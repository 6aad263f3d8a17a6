#pragma once

// The UDP lines machines exchange: "ZUL," + kind digit + "," + operand + line feed.

#include <QByteArray>
#include <QByteArrayView>

namespace zul {

struct UdpLine {
    QByteArray magic;    // the first three bytes
    int kind = 0;        // 0 when no number could be read
    QByteArray operand;  // the run of non-blank bytes after the second separator
    bool hasMagic() const { return magic == "ZUL"; }
};

// Longest operand taken from a datagram; longer runs are cut.
inline constexpr qsizetype kMaxUdpOperandBytes = 1023;

// Three characters, one separator, a decimal number, one separator, then the operand:
// leading blanks are skipped and the operand ends at the next blank (space, tab, line
// feed, carriage return, vertical tab, form feed) or at the end. The separators may be
// any characters.
UdpLine parseUdpLine(QByteArrayView datagram);

// "PKT受信[U]: server=[%-20s] Cmd(%03d) Op(%s) [run]" or, without the magic,
// "PKT受信[U]: server=[%-20s] Cmd(%03d) Op(%s)[broken]".
QByteArray udpReceiveLogLine(QByteArrayView server, const UdpLine& line);

// Whether the operand of a status line (kind 3) is what a status line carries: byte 30
// (CmdMessage) followed by its text. Any other command byte must not run: a datagram
// reaches every copy from any host, without a connection.
bool isStatusLineOperand(QByteArrayView operand);

QByteArray udpDiscoveryRequest();                                         // "ZUL,1,\n"
QByteArray udpDiscoveryAnswer(QByteArrayView role, QByteArrayView host);  // "ZUL,2,%s,%s\n"
QByteArray udpFailureNotice();                                            // "ZUL,4,\n"

}  // namespace zul
