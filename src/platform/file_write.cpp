#include "platform/file_write.h"

#include <QFileInfo>
#include <QSaveFile>

#include "platform/regular_file.h"

namespace zul {

bool replaceFile(const QString& path, const QByteArray& bytes, QString* error) {
    // A name that leads (a link followed) to a FIFO, a device or a folder is not a file to
    // write over: the rename would put a regular file in place of the device itself.
    if (QFileInfo::exists(path) && !isRegularFile(path)) {
        if (error != nullptr) {
            *error = QStringLiteral("通常のファイルではありません");
        }
        return false;
    }
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
