#pragma once

// File names whose extension a save forces, as the editors and the worksheet do.

#include <QString>
#include <QStringView>

namespace zul {

// `path` with the extension of its file name (from the last dot on) replaced by
// `extension` (given with its dot, ".csv"), or `extension` added when the name has none.
// A dot that starts the file name marks a hidden file, not an extension.
QString replaceExtension(const QString& path, QStringView extension);

}  // namespace zul
