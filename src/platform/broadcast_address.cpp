#include "platform/broadcast_address.h"

#include <QRegularExpression>

#include <algorithm>

namespace zul {

namespace {

bool isLoopbackAddress(quint32 address) {
    return (address >> 24) == 127;
}

int defaultSelection(const std::vector<InterfaceAddressRow>& rows) {
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [](const InterfaceAddressRow& row) { return !row.loopback; });
    return it != rows.end() ? static_cast<int>(it - rows.begin()) : 0;
}

QString threeDigits(quint32 byte) {
    return QStringLiteral("%1").arg(byte & 0xFF, 3, 10, QLatin1Char('0'));
}

}  // namespace

quint32 directedBroadcast(quint32 host, quint32 mask) {
    return ~mask | (host & mask);
}

QString dottedAddress(quint32 address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

QString cardEntryText(const QString& name, quint32 address) {
    return QStringLiteral("%1 (%2.%3.%4.%5) ")
        .arg(name.leftJustified(20), threeDigits(address >> 24), threeDigits(address >> 16),
             threeDigits(address >> 8), threeDigits(address));
}

std::optional<quint32> cardEntryAddress(const QString& entry) {
    static const QRegularExpression form(
        QStringLiteral("\\((\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\)"));
    QRegularExpressionMatch last;
    for (auto it = form.globalMatch(entry); it.hasNext();) {
        last = it.next();
    }
    if (!last.hasMatch()) {
        return std::nullopt;
    }
    quint32 address = 0;
    for (int i = 1; i <= 4; ++i) {
        const int part = last.captured(i).toInt();
        if (part > 255) {
            return std::nullopt;
        }
        address = (address << 8) | static_cast<quint32>(part);
    }
    return address;
}

CardChoice chooseNetworkCard(const std::vector<InterfaceAddressRow>& rows,
                             std::optional<quint32> hostAddress, int previousIndex) {
    CardChoice choice;
    if (rows.empty()) {
        return choice;
    }
    const int count = static_cast<int>(rows.size());
    choice.selected =
        (previousIndex >= 0 && previousIndex < count) ? previousIndex : defaultSelection(rows);
    const InterfaceAddressRow& selected = rows[static_cast<size_t>(choice.selected)];
    const quint32 host =
        (hostAddress && !isLoopbackAddress(*hostAddress)) ? *hostAddress : selected.address;
    for (const InterfaceAddressRow& row : rows) {
        choice.entries.append(cardEntryText(row.name, host));
    }
    choice.broadcastAddress = dottedAddress(directedBroadcast(host, selected.netmask));
    return choice;
}

}  // namespace zul
