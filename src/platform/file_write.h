#pragma once

// The one way this program writes a file over an old one.

#include <QByteArray>
#include <QString>

namespace zul {

// Replaces the file at `path` with `bytes`: they are written whole to a temporary file
// beside it, flushed, and only then renamed over the old file. On any failure (a full disk
// included, which shows only when the buffer is flushed) the old file stays as it was, the
// temporary file is dropped, `error` (when given) says why and the result is false.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace zul
