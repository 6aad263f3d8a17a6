#pragma once

// File names relative to the base directory. The base directory is a native path; names
// received from peers may use backslashes, which count as separators here.

#include <QString>

namespace zul {

// `base` + separator (unless `base` already ends with one) + `name`.
QString joinBaseDir(const QString& base, const QString& name);

// A name is absolute when it starts with '/'.
bool isAbsoluteName(const QString& name);

// The name unchanged when absolute, otherwise joined to the base directory.
QString resolveName(const QString& base, const QString& name);

// Backslashes of a peer's relative name turned into separators.
QString nativeName(const QString& name);

}  // namespace zul
