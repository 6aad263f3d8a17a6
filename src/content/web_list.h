#pragma once

// Web update lists (".rw1") and caption text lists: plain code page 932 text, one entry
// per line. Every line is an entry, an empty one included; lines end in CR LF, LF or CR
// alone, and a line end at the very end of the file does not start another entry. The
// display machine shows the entries of a web update list one after another and decides
// what to do with each by its extension (webEntryKind).

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>

namespace zul {

// Larger files are refused rather than read: a list is a few hundred lines, and reading a
// wrongly chosen video or disc image whole would stall the display machine.
inline constexpr qint64 kMaxListFileBytes = 16 * 1024 * 1024;

enum class WebEntryKind {
    Background,  // a picture, Office document or PDF shown as the background
    Parts,       // a parts definition (".rp1") to load and show
    FileSet,     // a file set (".rf1") to load
    Address,     // anything else: handed to the web view as an address
};

// The lines of `bytes` by the rules above.
QByteArrayList splitTextLines(QByteArrayView bytes);

// The lines of the file at `path`. Throws ZulError naming the file and the reason when it
// cannot be read or exceeds kMaxListFileBytes.
QByteArrayList readTextLines(const QString& path);

// Longest caption list line that the display machine keeps; longer lines are cut. A caption
// from the wire holds a few hundred bytes at most, while a line of megabytes would hold the
// display for a second at every scroll step.
inline constexpr qsizetype kMaxCaptionLineBytes = 2047;

// The lines cut to at most `maxBytes` bytes each, never inside a double-byte character.
QByteArrayList cutLines(QByteArrayList lines, qsizetype maxBytes);

// The entries of a web update list (the same rules as text lists).
inline QByteArrayList parseWebList(const QByteArray& bytes) {
    return splitTextLines(bytes);
}
inline QByteArrayList readWebList(const QString& path) {
    return readTextLines(path);
}

// Writes the entries as they stand, each followed by CR LF, replacing the file in one step
// (a failed write leaves an existing file untouched). Returns false with the reason in
// `error` when the file cannot be written.
bool writeWebList(const QString& path, const QByteArrayList& entries, QString* error = nullptr);

// What the display machine makes of an entry, by the text from its last dot in ASCII lower
// case. Entries without a dot, web addresses, ".htm" pages and the empty entry are Address.
WebEntryKind webEntryKind(QByteArrayView entry);

}  // namespace zul
