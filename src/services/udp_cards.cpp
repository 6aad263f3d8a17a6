#include "platform/broadcast_address.h"
#include "platform/net_interfaces.h"
#include "services/udp_discovery.h"

namespace zul {

UdpDiscovery::CardChoice systemCardChoice(int previousIndex) {
    UdpDiscovery::CardChoice out;
    const auto rows = interfaceAddressTable();
    if (!rows) {
        // The system gave no table: the address every older version fell back to.
        out.address = QByteArray(kFallbackBroadcastAddress);
        return out;
    }
    const CardChoice choice = chooseNetworkCard(*rows, hostAddress(), previousIndex);
    out.entries = choice.entries;
    out.selected = choice.selected;
    if (choice.broadcastAddress) {
        out.address = choice.broadcastAddress->toLatin1();
    }
    return out;
}

}  // namespace zul
