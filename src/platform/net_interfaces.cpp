#include "platform/net_interfaces.h"

#include <QHostInfo>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

namespace zul {

namespace {

quint32 ipv4Of(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) {
        return 0;
    }
    return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

struct IfaddrsDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

struct AddrinfoDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

}  // namespace

std::optional<std::vector<InterfaceAddressRow>> interfaceAddressTable() {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        return std::nullopt;
    }
    const std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
    std::vector<InterfaceAddressRow> rows;
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            entry->ifa_name == nullptr) {
            continue;
        }
        const unsigned index = if_nametoindex(entry->ifa_name);
        if (index == 0) {
            continue;  // gone meanwhile: no interface to match the address with
        }
        rows.push_back({QString::fromLocal8Bit(entry->ifa_name), static_cast<int>(index),
                        ipv4Of(entry->ifa_addr), ipv4Of(entry->ifa_netmask),
                        (entry->ifa_flags & IFF_LOOPBACK) != 0});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.index < b.index; });
    return rows;
}

std::optional<quint32> hostAddress() {
    const QByteArray name = QHostInfo::localHostName().toUtf8();
    if (name.isEmpty()) {
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* raw = nullptr;
    if (getaddrinfo(name.constData(), nullptr, &hints, &raw) != 0 || raw == nullptr) {
        return std::nullopt;
    }
    const std::unique_ptr<addrinfo, AddrinfoDeleter> found(raw);
    return ipv4Of(found->ai_addr);
}

}  // namespace zul
