#pragma once

// The texts exchanged with the captioning program IPtalk: its "$set$" datagrams (a batch
// opens with parameter 999 and closes with "$end$"), the UDP port of its channel, and the
// placement packet CmdIptalkPosition between operator and display machine.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace zul {

// The datagram port of channel index `channel` (0 = "01Ch" ... 11 = "12Ch"): 6712 + 100 x
// index. An index outside 0..11 counts as the nearest one.
quint16 iptalkPort(int channel);

// The three datagrams that make IPtalk load the settings file `fileName` (passed on
// unchanged: IPtalk resolves it).
QByteArrayList iptalkSettingsFileBatch(const QByteArray& fileName);

// The six datagrams of a fade: switched on or off, then the amount in decimal.
QByteArrayList iptalkFadeBatch(bool on, qint32 amount);

// The log line for a datagram of a batch that did not go out: `position` counts from 1.
QString iptalkSendFailure(int position);

// Placement of IPtalk's window as CmdIptalkPosition carries it.
struct IptalkPlacement {
    // Left edge, top edge, width, height in screen pixels; -100 keeps the current value.
    qint32 x = 0;
    qint32 y = 0;
    qint32 width = 0;
    qint32 height = 0;
    bool topmost = false;
    bool noSync = false;
};

// A value of the placement that leaves the receiver's value as it is.
inline constexpr qint32 kIptalkKeep = -100;

// CmdIptalkPosition: "%c%ld %ld %ld %ld %d %d\n", flags as 1 and 0.
QByteArray iptalkPositionPacket(const IptalkPlacement& placement);

// The operand of CmdIptalkPosition: six numbers, each pair separated by any single byte.
// A number that is missing or unreadable (and every one after it) is nullopt.
struct IptalkPositionOperand {
    std::optional<qint32> x, y, width, height, topmost, noSync;
};
IptalkPositionOperand parseIptalkPosition(QByteArrayView operand);

}  // namespace zul
