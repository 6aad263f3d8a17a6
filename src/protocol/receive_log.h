#pragma once

// Log lines written for received packets, and the byte-level printf pieces they are made
// of. Everything works on code page 932 bytes, so widths count bytes exactly as C's printf
// does on Shift_JIS text.

#include <QByteArray>
#include <QByteArrayView>

namespace zul {

// "%-Ns": the text followed by blanks up to `width` bytes; a longer text is not cut.
QByteArray padRight(QByteArrayView text, int width);

// "%0Nd": the decimal number, zero-filled to `width` characters (sign included).
QByteArray zeroPadded(int value, int width);

// What "%s" prints of the bytes: everything before the first NUL byte.
QByteArrayView untilNul(QByteArrayView bytes);

// Operand of a packet as the log shows it: the bytes after the command byte, up to a NUL.
QByteArrayView logOperand(QByteArrayView packet);

// What the receive lines show in place of the key of a CmdDirChange operand ("key,folder"),
// whatever the key is; the folder after the first comma is shown as it came.
inline constexpr QByteArrayView kMaskedKey = "****";

// The line builders take the packet (command byte and operand, no line feed). The command
// byte printed is commandByteOf(packet), so unknown bytes print as 000.

// Display machine, every received packet:
// "PKT受信[S]: Cmd(%03d[%-40s]) Op(%s)"
QByteArray displayReceiveLine(QByteArrayView packet);

// Operator machine, every received packet:
// "PKT受信[C]:Cmd(%03d[%-40s]) Op(%s)"
QByteArray operatorReceiveLine(QByteArrayView packet);

// Display machine, packet with an unknown command byte; `peerHost` is the host name of the
// sending connection's far end (empty for an internal packet):
// ".PKT受信[S]: client=[%-20s] Cmd(%03d[%-40s]) Op(%s)" with "不明なパケット(未処理)"
QByteArray displayUnknownLine(QByteArrayView peerHost, QByteArrayView packet);

// Operator machine, packet that it does not handle:
// ",PKT受信[C]: client=[%-20s] Cmd(%03d[%-40s]) Op(%s)" with "不明なパケット(未処理)"
QByteArray operatorUnhandledLine(QByteArrayView peerHost, QByteArrayView packet);

}  // namespace zul
