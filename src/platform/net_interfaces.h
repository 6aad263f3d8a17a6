#pragma once

// This machine's IPv4 interface addresses and its host address, from which the UDP
// broadcast address is computed (see broadcast_address.h).

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace zul {

// One IPv4 address of an interface. Addresses are in host byte order (192.168.1.23 is
// 0xC0A80117).
struct InterfaceAddressRow {
    QString name;  // eth0, lo: Linux has no other description of an interface
    int index = 0;
    quint32 address = 0;
    quint32 netmask = 0;
    bool loopback = false;

    friend bool operator==(const InterfaceAddressRow&, const InterfaceAddressRow&) = default;
};

// Every IPv4 address of every interface, in interface-index order (addresses of one
// interface in the system's order). nullopt when the system cannot give the table.
std::optional<std::vector<InterfaceAddressRow>> interfaceAddressTable();

// This machine's host name resolved to its first IPv4 address; nullopt when it does not
// resolve. Debian maps the host name to 127.0.1.1, a loopback address.
std::optional<quint32> hostAddress();

}  // namespace zul
