#pragma once

// The directed broadcast address of the chosen network card, and the entries of the card
// list (hub control SelectNIC). Pure functions: the caller reads the interface table and
// the host address (net_interfaces.h) and shows the result.
//
// Two rules differ from taking the host name's address as it is, because on Linux that
// would send nothing to the network:
// - When the host name resolves to a loopback address (Debian maps it to 127.0.1.1) or
//   does not resolve, the selected row's own address is the host address, for the
//   broadcast and in the entry texts.
// - Without a previous selection, or when it is outside the list, the first row that is
//   not a loopback interface is selected (the first row when all are loopback).
//
// With no rows at all there is no address: `broadcastAddress` is nullopt and the caller
// keeps its previous BroadcastAddress, as when the table cannot be read; only a caller
// that has none yet uses kFallbackBroadcastAddress.

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <vector>

#include "platform/net_interfaces.h"

namespace zul {

inline constexpr char kFallbackBroadcastAddress[] = "192.168.0.255";

// Per byte (255 - mask) | (host & mask).
quint32 directedBroadcast(quint32 host, quint32 mask);

// "%u.%u.%u.%u"
QString dottedAddress(quint32 address);

// "%-20s (%03d.%03d.%03d.%03d) ": the name padded to 20 characters, then the address.
QString cardEntryText(const QString& name, quint32 address);
// The address of a card list entry: the last "(ddd.ddd.ddd.ddd)" in it; nothing when there
// is none or a part is over 255.
std::optional<quint32> cardEntryAddress(const QString& entry);

struct CardChoice {
    QStringList entries;  // one per row, in row order
    int selected = -1;    // -1 only when there are no rows
    std::optional<QString> broadcastAddress;
};

// `previousIndex` is the card list's selection before the rebuild (-1: none).
CardChoice chooseNetworkCard(const std::vector<InterfaceAddressRow>& rows,
                             std::optional<quint32> hostAddress, int previousIndex);

}  // namespace zul
