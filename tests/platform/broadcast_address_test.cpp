// Directed broadcast address, network card list and the interface table.
#include <gtest/gtest.h>

#include <QHostAddress>

#include <algorithm>

#include "platform/broadcast_address.h"
#include "platform/net_interfaces.h"

using namespace zul;

namespace {

quint32 ip(const char* text) {
    return QHostAddress(QString::fromLatin1(text)).toIPv4Address();
}

InterfaceAddressRow row(const char* name, int index, const char* address, const char* mask,
                        bool loopback = false) {
    return {QString::fromLatin1(name), index, ip(address), ip(mask), loopback};
}

}  // namespace

TEST(BroadcastAddress, DirectedBroadcastPerByte) {
    struct Case {
        const char* host;
        const char* mask;
        const char* expected;
    };
    const Case cases[] = {
        {"192.168.1.23", "255.255.255.0", "192.168.1.255"},
        {"192.168.1.23", "255.255.0.0", "192.168.255.255"},
        {"10.201.7.1", "255.255.255.0", "10.201.7.255"},
        {"172.16.5.4", "255.255.240.0", "172.16.15.255"},
        {"192.168.1.23", "255.255.255.255", "192.168.1.23"},
        {"192.168.1.23", "0.0.0.0", "255.255.255.255"},
        {"192.168.1.23", "255.0.255.0", "192.255.1.255"},  // bytes are independent
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dottedAddress(directedBroadcast(ip(c.host), ip(c.mask))),
                  QString::fromLatin1(c.expected))
            << c.host << " / " << c.mask;
    }
}

TEST(BroadcastAddress, CardEntryTextExactBytes) {
    EXPECT_EQ(cardEntryText(QStringLiteral("eth0"), ip("192.168.1.23")).toUtf8(),
              QByteArray("eth0                 (192.168.001.023) "));
    EXPECT_EQ(cardEntryText(QStringLiteral("lo"), ip("127.0.0.1")).toUtf8(),
              QByteArray("lo                   (127.000.000.001) "));
    // Longer names are not cut, as with printf's %-20s.
    EXPECT_EQ(cardEntryText(QStringLiteral("enp0s31f6-with-suffix"), ip("10.0.0.255")).toUtf8(),
              QByteArray("enp0s31f6-with-suffix (010.000.000.255) "));
    // A '%' in the name is not taken for a placeholder.
    EXPECT_EQ(cardEntryText(QStringLiteral("a%1"), 0).toUtf8(),
              QByteArray("a%1                  (000.000.000.000) "));
}

TEST(BroadcastAddress, CardChoice) {
    const std::vector<InterfaceAddressRow> rows = {
        row("lo", 1, "127.0.0.1", "255.0.0.0", true),
        row("eth0", 2, "192.168.1.23", "255.255.255.0"),
        row("eth1", 3, "10.201.3.7", "255.255.0.0"),
    };
    const std::vector<InterfaceAddressRow> loopbackOnly = {
        row("lo", 1, "127.0.0.1", "255.0.0.0", true)};

    struct Case {
        const char* what;
        const std::vector<InterfaceAddressRow>* rows;
        std::optional<quint32> host;
        int previous;
        int selected;
        const char* broadcast;
        const char* shownAddress;  // in every entry
    };
    const Case cases[] = {
        {"default skips loopback", &rows, ip("192.168.1.23"), -1, 1, "192.168.1.255",
         "192.168.001.023"},
        {"remembered index kept", &rows, ip("192.168.1.23"), 2, 2, "192.168.255.255",
         "192.168.001.023"},
        {"remembered loopback kept", &rows, ip("192.168.1.23"), 0, 0, "192.255.255.255",
         "192.168.001.023"},
        {"out of range selects the default", &rows, ip("192.168.1.23"), 3, 1, "192.168.1.255",
         "192.168.001.023"},
        {"far out of range", &rows, ip("192.168.1.23"), 1000, 1, "192.168.1.255",
         "192.168.001.023"},
        {"host name on Debian's 127.0.1.1", &rows, ip("127.0.1.1"), -1, 1, "192.168.1.255",
         "192.168.001.023"},
        {"loopback host, other card", &rows, ip("127.0.1.1"), 2, 2, "10.201.255.255",
         "010.201.003.007"},
        {"host name does not resolve", &rows, std::nullopt, 2, 2, "10.201.255.255",
         "010.201.003.007"},
        {"only loopback", &loopbackOnly, ip("127.0.1.1"), -1, 0, "127.255.255.255",
         "127.000.000.001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CardChoice choice = chooseNetworkCard(*c.rows, c.host, c.previous);
        EXPECT_EQ(choice.selected, c.selected);
        ASSERT_TRUE(choice.broadcastAddress.has_value());
        EXPECT_EQ(*choice.broadcastAddress, QString::fromLatin1(c.broadcast));
        ASSERT_EQ(choice.entries.size(), static_cast<qsizetype>(c.rows->size()));
        for (size_t i = 0; i < c.rows->size(); ++i) {
            const QString expected = (*c.rows)[i].name.leftJustified(20) + QStringLiteral(" (") +
                                     QString::fromLatin1(c.shownAddress) + QStringLiteral(") ");
            EXPECT_EQ(choice.entries[static_cast<qsizetype>(i)], expected);
        }
    }
}

TEST(BroadcastAddress, NoRowsGiveNoAddress) {
    const CardChoice choice = chooseNetworkCard({}, ip("192.168.1.23"), 0);
    EXPECT_TRUE(choice.entries.isEmpty());
    EXPECT_EQ(choice.selected, -1);
    EXPECT_FALSE(choice.broadcastAddress.has_value());
}

TEST(NetInterfaces, TableOfThisMachine) {
    const auto rows = interfaceAddressTable();
    ASSERT_TRUE(rows.has_value());
    EXPECT_TRUE(std::is_sorted(rows->begin(), rows->end(),
                               [](const auto& a, const auto& b) { return a.index < b.index; }));
    const auto lo = std::find_if(rows->begin(), rows->end(),
                                 [](const auto& r) { return r.address == ip("127.0.0.1"); });
    ASSERT_NE(lo, rows->end()) << "no 127.0.0.1 in the table";
    EXPECT_TRUE(lo->loopback);
    EXPECT_EQ(lo->netmask, ip("255.0.0.0"));
    EXPECT_GT(lo->index, 0);
    EXPECT_FALSE(lo->name.isEmpty());

    const CardChoice choice = chooseNetworkCard(*rows, hostAddress(), -1);
    EXPECT_EQ(choice.entries.size(), static_cast<qsizetype>(rows->size()));
    EXPECT_TRUE(choice.broadcastAddress.has_value());
}
