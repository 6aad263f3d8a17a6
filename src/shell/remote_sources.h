#pragma once

// What the browser remote reads of the display machine: the state the page shows, the
// picture of the screen and the address of the chosen network card.

#include "remote/web_remote.h"

namespace zul {

class TMainDisp;
class UdpDiscovery;
struct HubState;
struct Settings;

WebRemote::Sources displaySources(TMainDisp& display, HubState& hub, Settings& settings,
                                  UdpDiscovery& udp);

}  // namespace zul
