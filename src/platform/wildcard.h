#pragma once

// File-name masks as the Windows file listing reads them: '*' stands for any run of
// characters (none included), '?' for exactly one character, and letters compare without
// regard to ASCII case. A mask ending in ".*" also matches names without that extension,
// so "*.*" matches every name, dotted or not.

#include <QStringView>

namespace zul {

bool matchesFileMask(QStringView mask, QStringView name);

}  // namespace zul
