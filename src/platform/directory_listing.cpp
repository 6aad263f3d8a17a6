#include "platform/directory_listing.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "platform/wildcard.h"

namespace zul {
namespace {

bool isDotEntry(const QString& name) {
    return name == QLatin1String(".") || name == QLatin1String("..");
}

bool isHiddenName(const QString& name) {
    return name.startsWith(QLatin1Char('.'));
}

EntryKind classify(const QFileInfo& info, const QString& name) {
    // The link itself decides, not its target.
    if (info.isSymLink()) {
        return EntryKind::Other;
    }
    if (info.isFile()) {
        const bool plain = !isHiddenName(name) && info.permission(QFileDevice::WriteOwner);
        return plain ? EntryKind::PlainFile : EntryKind::Other;
    }
    if (info.isDir()) {
        return isDotEntry(name) || !isHiddenName(name) ? EntryKind::PlainFolder : EntryKind::Other;
    }
    return EntryKind::Other;
}

QString foldedForOrder(const QString& name) {
    QString out = name;
    for (QChar& c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            c = QChar(c.unicode() - ('a' - 'A'));
        }
    }
    return out;
}

bool listedBefore(const DirectoryEntry& a, const DirectoryEntry& b) {
    const int folded = QString::compare(foldedForOrder(a.name), foldedForOrder(b.name));
    return folded != 0 ? folded < 0 : a.name < b.name;
}

}  // namespace

std::vector<DirectoryEntry> listDirectory(const QString& folder, QStringView mask) {
    const QDir dir(folder);
    if (!dir.exists()) {
        return {};
    }
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Unsorted);
    std::vector<DirectoryEntry> entries;
    entries.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names) {
        if (matchesFileMask(mask, name)) {
            entries.push_back({name, classify(QFileInfo(dir, name), name)});
        }
    }
    std::sort(entries.begin(), entries.end(), listedBefore);
    return entries;
}

}  // namespace zul
