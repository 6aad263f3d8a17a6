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
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace zul {

class ProfileFile {
public:
    // Value length the form framework's string reader can return (a 2048-byte buffer).
    static constexpr int kStringBufferSize = 2048;
    // Larger files are not read. Settings, file sets and parts files take a few kilobytes
    // (400 parts with long captions some hundred); the bound keeps a wrongly named large file
    // from filling memory and holding the display while it is parsed.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    ProfileFile() = default;

    // Reads the file; a missing or unreadable file gives an empty profile (exists() false).
    // Only a regular file of at most kMaxFileBytes is read.
    static ProfileFile load(const QString& path);
    // The same for a file named from outside: a missing file gives an empty profile, but a
    // file that exists and is not read (no regular file, too large, a read error) throws
    // ZulError naming it and the reason.
    static ProfileFile read(const QString& path);
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
    // Whether a section of that name is in the file (keys or not).
    bool hasSection(QByteArrayView section) const;

    // The value as getString reads it (trimmed, unquoted, up to a NUL) but never truncated;
    // nullopt when the first matching entry is missing or has no '='.
    std::optional<QByteArray> value(QByteArrayView section, QByteArrayView key) const;

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
    enum class Encoding { Cp932, Utf16Le };
    enum class LineKind { Blank, Comment, Header, Entry };

    // One physical line. `raw` and `eol` are the file's own bytes (in its encoding) so that
    // untouched lines are saved unchanged; the other fields describe the cp932 text.
    struct Line {
        QByteArray raw;
        QByteArray eol;  // CR LF, LF or CR; empty for a last line without a line end
        LineKind kind = LineKind::Blank;
        QByteArray name;   // section name, entry name, or the whole text of an entry without '='
        QByteArray value;  // trimmed, quotes kept
        bool hasValue = false;
    };

    // A section and its lines. Ordinal 0 holds the lines before the first header.
    struct Section {
        QByteArray name;  // up to a NUL
        int header = -1;
        int end = 0;        // one past its last line
        int lastLine = -1;  // last non-blank line; the header for an empty section
        std::vector<int> entries;
        QHash<QByteArray, int> keys;  // folded name -> first entry with that name
    };

    void parse(const QByteArray& bytes);
    void splitCp932(QByteArrayView text);
    void splitUtf16Le(QByteArrayView text);
    void addLine(QByteArrayView text, QByteArray raw, QByteArray eol);
    void buildIndex();
    void reparse();

    int findSection(QByteArrayView name) const;            // ordinal in sections_, or -1
    int findEntry(int section, QByteArrayView key) const;  // line, or -1
    QByteArray fileText(QByteArrayView cp932) const;       // text in the file's encoding
    Line newLine(QByteArrayView cp932) const;              // a line ending in CR LF
    void ensureLineEnd(int line);

    Encoding encoding_ = Encoding::Cp932;
    QByteArray bom_;
    QByteArray tail_;  // a stray odd byte at the end of a UTF-16LE file
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    QHash<QByteArray, int> sectionIndex_;  // folded name -> first section with that name
    bool exists_ = false;
};

}  // namespace zul
