#include "platform/paths.h"

#include <QDir>

namespace zul {

QString nativeName(const QString& name) {
    QString out = name;
    out.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return out;
}

QString joinBaseDir(const QString& base, const QString& name) {
    const QString rel = nativeName(name);
    if (base.endsWith(QLatin1Char('/'))) {
        return base + rel;
    }
    return base + QLatin1Char('/') + rel;
}

bool isAbsoluteName(const QString& name) {
    return name.startsWith(QLatin1Char('/'));
}

QString resolveName(const QString& base, const QString& name) {
    return isAbsoluteName(name) ? name : joinBaseDir(base, name);
}

}  // namespace zul
