#pragma once

// A folder's entries as the Windows listing with attribute bits reports them, reduced to
// the three kinds the directory commands tell apart.

#include <QString>
#include <QStringView>
#include <vector>

namespace zul {

enum class EntryKind {
    // A regular file, writable by its owner, whose name does not start with '.': the
    // counterpart of a file whose only attribute is "archive".
    PlainFile,
    // A directory whose name does not start with '.', and the entries "." and "..".
    PlainFolder,
    // Anything else: read-only or hidden files, hidden folders, symbolic links (Windows
    // marks those with an attribute of their own), devices, sockets, pipes.
    Other,
};

struct DirectoryEntry {
    QString name;
    EntryKind kind = EntryKind::Other;

    friend bool operator==(const DirectoryEntry&, const DirectoryEntry&) = default;
};

// The entries of `folder` whose names match the file mask `mask` (see wildcard.h),
// "." and ".." included, ordered by name with ASCII case ignored (letters compare as
// capitals, as the Windows file system sorts them; names equal but for case in code
// point order). A folder that does not exist or cannot be read has no entries.
std::vector<DirectoryEntry> listDirectory(const QString& folder, QStringView mask);

}  // namespace zul
