#include "shell/remote_sources.h"

#include <QGuiApplication>
#include <QScreen>

#include "display/Zul2_rdisp.h"
#include "display/part_table.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "platform/broadcast_address.h"
#include "services/udp_discovery.h"

namespace zul {
namespace {

RemoteState displayState(const TMainDisp& display, const HubState& hub, const Settings& settings) {
    RemoteState state;
    state.caption = display.captionText();
    state.scroll = settings.ckStrScroll();
    state.hidden = settings.ckStrHide();
    state.background = hub.Current.CurBackground;
    const PartTable& parts = display.parts();
    state.parts.reserve(static_cast<std::size_t>(parts.PartCount()));
    for (int i = 0; i < parts.PartCount(); ++i) {
        const PartLabel* label = parts.label(i);
        state.parts.push_back(RemotePart{parts.name(i), label->caption(), label->fontColour(),
                                         label->backColour(), !label->isHidden()});
    }
    state.operators = hub.OperatorCount;
    state.opacity = display.opacity();
    state.presentation = hub.PresentationOpen;
    return state;
}

// The window's pixels as the X server shows them (covers and fades included); the
// widget's own rendering where the screen cannot be read.
QImage displayPicture(TMainDisp& display) {
    if (!display.isVisible()) {
        return {};
    }
    if (QScreen* screen = display.screen()) {
        const QImage shot = screen->grabWindow(display.winId()).toImage();
        if (!shot.isNull()) {
            return shot;
        }
    }
    return display.grab().toImage();
}

std::optional<QHostAddress> chosenCard(const UdpDiscovery& udp) {
    const int selected = udp.nicSelected();
    if (selected < 0 || selected >= udp.nicEntries().size()) {
        return std::nullopt;
    }
    if (const auto address = cardEntryAddress(udp.nicEntries().at(selected))) {
        return QHostAddress(*address);
    }
    return std::nullopt;
}

}  // namespace

WebRemote::Sources displaySources(TMainDisp& display, HubState& hub, Settings& settings,
                                  UdpDiscovery& udp) {
    WebRemote::Sources s;
    s.state = [&display, &hub, &settings] { return displayState(display, hub, settings); };
    s.screen = [&display] { return displayPicture(display); };
    s.cardAddress = [&udp] { return chosenCard(udp); };
    return s;
}

}  // namespace zul
