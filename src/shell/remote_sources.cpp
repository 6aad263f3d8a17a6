#include "shell/remote_sources.h"

#include <QGuiApplication>

#include "display/Zul2_rdisp.h"
#include "display/part_table.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "platform/broadcast_address.h"
#include "platform/x11_grab.h"
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

// The window rendered by Qt, where the X screen cannot be read.
QImage displayPicture(TMainDisp& display) {
    if (!display.isVisible()) {
        return {};
    }
    return display.grab().toImage();
}

// Where the audience sees the window, in screen pixels.
QRect displayArea(const TMainDisp& display) {
    if (!display.isVisible() || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return {};
    }
    const qreal ratio = display.devicePixelRatioF();
    const QPoint topLeft = display.mapToGlobal(QPoint(0, 0));
    return QRect(QPoint(qRound(topLeft.x() * ratio), qRound(topLeft.y() * ratio)),
                 QSize(qRound(display.width() * ratio), qRound(display.height() * ratio)));
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
    s.screenArea = [&display] { return displayArea(display); };
    s.grabArea = [](const QRect& area) { return grabScreenArea(area); };
    s.cardAddress = [&udp] { return chosenCard(udp); };
    return s;
}

}  // namespace zul
