#include "platform/file_write.h"

#include <QSaveFile>

namespace zul {

bool replaceFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    // Never fall back to writing the old file in place.
    file.setDirectWriteFallback(false);
    // QSaveFile::commit() does not see an error of the final buffer flush: flush first, and
    // commit only what was written whole.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
        file.commit()) {
        return true;
    }
    if (error != nullptr) {
        *error =
            file.errorString().isEmpty() ? QStringLiteral("unknown error") : file.errorString();
    }
    file.cancelWriting();
    return false;
}

}  // namespace zul
