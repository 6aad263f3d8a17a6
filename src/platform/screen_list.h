#pragma once

// The screens of this machine as the window system reports them now, in the hub's order
// (the primary first).

#include <QList>

#include "platform/screen_choice.h"

class QScreen;

namespace zul {

QList<QScreen*> screensInHubOrder();

QList<ScreenEntry> screenEntries(const QList<QScreen*>& screens);

}  // namespace zul
