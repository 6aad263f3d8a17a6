#include "model/settings.h"

namespace zul {

QString iptalkChannelText(int index) {
    return QStringLiteral("%1Ch").arg(index + 1, 2, 10, QLatin1Char('0'));
}

}  // namespace zul
