#pragma once

// Profile (INI) files with the behaviour of the Windows profile functions on code page 932
// files: ASCII-case-insensitive section and key names, trimming and quote rules, the first
// duplicate wins, lists of section and key names, integer reading, and in-place writing.
// The file is parsed once into memory; writes change the in-memory lines and `save`
// replaces the file atomically (temporary file in the same folder, then rename), so a
// failed save leaves the old file whole.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace zul {

class ProfileFile {
public:
    // Value length the form framework's string reader can return (a 2048-byte buffer).
    static constexpr int kStringBufferSize = 2048;

    ProfileFile() = default;

    // Reads the file; a missing or unreadable file gives an empty profile (exists() false).
    static ProfileFile load(const QString& path);
    static ProfileFile fromBytes(const QByteArray& bytes);

    bool exists() const { return exists_; }

    // GetPrivateProfileStringA: the value of the first matching key of the first matching
    // section, trimmed and unquoted, cut to size-1 bytes on a character boundary; the
    // default (trailing spaces removed) when there is no such entry. `section` or `key`
    // nullopt give the lists of section names / key names as NUL-separated bytes exactly as
    // the Windows function fills its buffer (the returned array holds the first `ret` bytes).
    QByteArray getString(std::optional<QByteArrayView> section, std::optional<QByteArrayView> key,
                         std::optional<QByteArrayView> def, int size = kStringBufferSize) const;

    // GetPrivateProfileIntA (unsigned 32-bit result; cast to int for the signed value).
    quint32 getInt(QByteArrayView section, QByteArrayView key, qint32 def) const;

    // GetPrivateProfileSectionA: the entries of the first matching section.
    QByteArray getSection(QByteArrayView section, int size) const;

    // Convenience lists (not truncated).
    QByteArrayList sectionNames() const;
    QByteArrayList keyNames(QByteArrayView section) const;
    bool hasKey(QByteArrayView section, QByteArrayView key) const;

    // WritePrivateProfileStringA on the in-memory file: nullopt key deletes the section,
    // nullopt value deletes the key. Returns false for arguments that the Windows
    // function refuses (no section) or that would corrupt the file (see the .cpp).
    bool writeString(std::optional<QByteArrayView> section, std::optional<QByteArrayView> key,
                     std::optional<QByteArrayView> value);

    // Whole file as it would be saved.
    QByteArray bytes() const;

    // Writes the file atomically. On failure returns false and fills `error`.
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Line;
    // implementation-defined members
};

}  // namespace zul
