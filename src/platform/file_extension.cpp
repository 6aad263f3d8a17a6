#include "platform/file_extension.h"

namespace zul {

QString replaceExtension(const QString& path, QStringView extension) {
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype stemEnd = dot > nameStart ? dot : path.size();
    return path.first(stemEnd).append(extension);
}

}  // namespace zul
