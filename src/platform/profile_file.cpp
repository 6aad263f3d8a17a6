#include "platform/profile_file.h"

#include <QDir>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_write.h"
#include "platform/regular_file.h"

// Reading follows the Windows profile functions on code page 932 files:
//  - the text is scanned character by character (a lead byte takes the next byte), so '[',
//    ']', '=', ';', blanks and line ends count only as whole characters, never as the trail
//    byte of a double-byte character;
//  - any run of CR and LF ends a line; lines, names and values are trimmed of 0x09-0x0D,
//    0x1A and 0x20 (not of the full-width space);
//  - a line starting with '[' that has a ']' is a section header named by the text up to the
//    last ']'; a line starting with ';' is a comment; any other line is an entry, split at
//    its first '=' (a line without '=' is an entry without a value);
//  - names compare case-insensitively for ASCII letters only; the first matching section
//    and, inside it, the first matching entry win; a NUL ends every name and value;
//  - the lines before the first header form a section with the empty name, which hides a
//    later "[]"; neither is listed; a key list that would be empty gives the default string;
//  - a string is cut to size-1 bytes, a list that does not fit (with its final NUL) to size-2
//    bytes followed by two NULs; neither is cut inside a double-byte character, the bytes
//    left over are NULs;
//  - a file starting with FF FE is UTF-16LE, read as its cp932 text and written back in
//    UTF-16LE; every other file (with a UTF-8 BOM too) is cp932.
//
// Writing edits the lines in place and keeps every other byte of the file as it was. Names
// and values that the format cannot hold are refused rather than written: CR, LF or NUL
// anywhere, a double-byte character cut short at the end, blanks around a name, an empty
// name, ']' in a section name, '=' in a key, '[' or ';' at the start of a key. Values are
// trimmed before writing, as reading would trim them anyway.

namespace zul {
namespace {

constexpr QByteArrayView kCrLf = "\r\n";

bool isBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Trims blanks at both ends. Blanks are single-byte characters that are never lead bytes, so
// the leading ones are skipped byte by byte; the trailing ones are found by walking whole
// characters, so that a byte taken by a lead byte is not mistaken for a blank.
QByteArrayView trimmed(QByteArrayView s) {
    qsizetype begin = 0;
    while (begin < s.size() && isBlank(s[begin])) {
        ++begin;
    }
    qsizetype end = begin;
    for (qsizetype i = begin; i < s.size();) {
        const qsizetype len = cp932::charLength(s, i);
        if (len == 2 || !isBlank(s[i])) {
            end = i + len;
        }
        i += len;
    }
    return s.sliced(begin, end - begin);
}

QByteArrayView upToNul(QByteArrayView s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '\0') {
            return s.first(i);
        }
    }
    return s;
}

// Offset of the first (or last) whole character `c`, or -1.
qsizetype findChar(QByteArrayView s, char c, bool last = false) {
    qsizetype found = -1;
    for (qsizetype i = 0; i < s.size(); i += cp932::charLength(s, i)) {
        if (s[i] == c && cp932::charLength(s, i) == 1) {
            found = i;
            if (!last) {
                break;
            }
        }
    }
    return found;
}

// Offset of the last character.
qsizetype lastCharStart(QByteArrayView s) {
    qsizetype start = -1;
    for (qsizetype i = 0; i < s.size(); i += cp932::charLength(s, i)) {
        start = i;
    }
    return start;
}

// ASCII letters lower-cased; double-byte characters, whose trail byte may look like a
// letter, and half-width katakana are kept.
QByteArray folded(QByteArrayView s) {
    QByteArray out = s.toByteArray();
    for (qsizetype i = 0; i < out.size();) {
        const qsizetype len = cp932::charLength(out, i);
        if (len == 1 && out[i] >= 'A' && out[i] <= 'Z') {
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
        }
        i += len;
    }
    return out;
}

// Index key of a name passed by a caller (ends at a NUL, then trimmed) ...
QByteArray argumentKey(QByteArrayView name) {
    return folded(trimmed(upToNul(name)));
}

// ... and of a name read from the file (already trimmed, ends at a NUL).
QByteArray storedKey(QByteArrayView name) {
    return folded(upToNul(name));
}

// One matching pair of quotes around the value is removed.
QByteArrayView unquoted(QByteArrayView v) {
    if (v.size() < 2 || (v.front() != '"' && v.front() != '\'') || v.back() != v.front() ||
        lastCharStart(v) != v.size() - 1) {
        return v;
    }
    return v.sliced(1, v.size() - 2);
}

// The default string: NULL reads as "", trailing spaces go but the first character stays.
QByteArrayView defaultText(std::optional<QByteArrayView> def) {
    if (!def) {
        return {};
    }
    QByteArrayView d = upToNul(*def);
    while (d.size() > 1 && d.back() == ' ') {
        d.chop(1);
    }
    return d;
}

QByteArray paddedWithNul(QByteArray s, qsizetype size) {
    s.append(QByteArray(size - s.size(), '\0'));
    return s;
}

// A string copied to a caller's buffer of `size` bytes: whole characters up to size-1 bytes,
// the rest of the buffer up to the terminating NUL filled with NULs.
QByteArray fitString(QByteArrayView s, int size) {
    if (size <= 0) {
        return {};
    }
    if (s.size() < size) {
        return s.toByteArray();
    }
    return paddedWithNul(cp932::truncate(s, size - 1), size - 1);
}

// A list whose items each end in a NUL, copied with its final NUL. When that does not fit,
// the list is cut to size-2 bytes (whole characters, NUL-filled) and ends in two NULs.
QByteArray fitList(QByteArrayView list, int size) {
    if (size <= 0 || list.isEmpty()) {
        return {};
    }
    if (list.size() < size) {
        return list.toByteArray();
    }
    if (size < 2) {
        return {};
    }
    return paddedWithNul(cp932::truncate(list, size - 2), size - 2);
}

QByteArray joinedList(const QByteArrayList& items) {
    QByteArray list;
    for (const QByteArray& item : items) {
        list.append(item).append('\0');
    }
    return list;
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return -1;
}

// GetPrivateProfileIntA's number: leading characters up to 0x20 skipped, one sign, an
// optional lowercase 0x/0o/0b prefix, then digits up to the first non-digit; arithmetic
// modulo 2^32; no digits give 0.
quint32 parseProfileInt(QByteArrayView s) {
    qsizetype i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        const char p = s[i + 1];
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10) {
            i += 2;
        }
    }
    quint32 total = 0;
    for (; i < s.size(); ++i) {
        const int d = digitValue(s[i]);
        if (d < 0 || d >= base) {
            break;
        }
        total = total * static_cast<quint32>(base) + static_cast<quint32>(d);
    }
    return negative ? 0U - total : total;
}

// Text that can go into the file as it is: no CR, LF or NUL, and not ending in a lone lead
// byte (which would take the line end that follows it).
bool isWritableText(QByteArrayView s) {
    for (const char c : s) {
        if (c == '\r' || c == '\n' || c == '\0') {
            return false;
        }
    }
    const qsizetype last = lastCharStart(s);
    return last < 0 || cp932::charLength(s, last) == 2 ||
           !cp932::isLeadByte(static_cast<unsigned char>(s[last]));
}

bool isWritableName(QByteArrayView s) {
    return !s.isEmpty() && isWritableText(s) && trimmed(s).size() == s.size();
}

bool isWritableSectionName(QByteArrayView s) {
    return isWritableName(s) && findChar(s, ']') < 0;
}

bool isWritableKey(QByteArrayView s) {
    return isWritableName(s) && findChar(s, '=') < 0 && s.front() != '[' && s.front() != ';';
}

}  // namespace

ProfileFile ProfileFile::load(const QString& path) {
    const FileReadResult file = readRegularFile(path, kMaxFileBytes);
    return file.ok() ? fromBytes(file.bytes) : ProfileFile();
}

ProfileFile ProfileFile::read(const QString& path) {
    const FileReadResult file = readRegularFile(path, kMaxFileBytes);
    if (file.status == FileReadStatus::Missing) {
        return {};
    }
    if (!file.ok()) {
        throw ZulError(QStringLiteral("ファイルを読めません：%1（%2）")
                           .arg(QDir::toNativeSeparators(path), file.reason));
    }
    return fromBytes(file.bytes);
}

ProfileFile ProfileFile::fromBytes(const QByteArray& bytes) {
    ProfileFile profile;
    profile.parse(bytes);
    profile.exists_ = true;
    return profile;
}

void ProfileFile::parse(const QByteArray& bytes) {
    lines_.clear();
    tail_.clear();
    if (bytes.startsWith("\xFF\xFE")) {
        encoding_ = Encoding::Utf16Le;
        bom_ = bytes.first(2);
        splitUtf16Le(QByteArrayView(bytes).sliced(2));
    } else {
        encoding_ = Encoding::Cp932;
        bom_.clear();
        splitCp932(bytes);
    }
    buildIndex();
}

void ProfileFile::splitCp932(QByteArrayView text) {
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && !isLineEnd(text[end])) {
            end += cp932::charLength(text, end);
        }
        qsizetype eol = 0;
        if (end < n) {
            eol = text[end] == '\r' && end + 1 < n && text[end + 1] == '\n' ? 2 : 1;
        }
        const QByteArrayView line = text.sliced(pos, end - pos);
        addLine(line, line.toByteArray(), text.sliced(end, eol).toByteArray());
        pos = end + eol;
    }
}

void ProfileFile::splitUtf16Le(QByteArrayView text) {
    const qsizetype units = text.size() / 2;
    QString whole(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) {
        whole[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(text[2 * i]) |
                                               static_cast<unsigned char>(text[2 * i + 1]) << 8));
    }
    qsizetype pos = 0;
    while (pos < units) {
        qsizetype end = pos;
        while (end < units && whole[end] != u'\r' && whole[end] != u'\n') {
            ++end;
        }
        qsizetype eol = 0;
        if (end < units) {
            eol = whole[end] == u'\r' && end + 1 < units && whole[end + 1] == u'\n' ? 2 : 1;
        }
        addLine(cp932::encode(QStringView(whole).sliced(pos, end - pos)),
                text.sliced(2 * pos, 2 * (end - pos)).toByteArray(),
                text.sliced(2 * end, 2 * eol).toByteArray());
        pos = end + eol;
    }
    // A stray odd byte at the end is no text; it is kept, last, so that the file is saved
    // unchanged and lines added later stay aligned.
    if (text.size() % 2 != 0) {
        tail_ = text.last(1).toByteArray();
    }
}

void ProfileFile::addLine(QByteArrayView text, QByteArray raw, QByteArray eol) {
    Line line;
    line.raw = std::move(raw);
    line.eol = std::move(eol);
    const QByteArrayView t = trimmed(text);
    if (t.isEmpty()) {
        line.kind = LineKind::Blank;
    } else if (t.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (const qsizetype close = t.front() == '[' ? findChar(t, ']', true) : -1; close > 0) {
        line.kind = LineKind::Header;
        line.name = trimmed(t.sliced(1, close - 1)).toByteArray();
    } else {
        line.kind = LineKind::Entry;
        const qsizetype eq = findChar(t, '=');
        line.hasValue = eq >= 0;
        line.name = (line.hasValue ? trimmed(t.first(eq)) : t).toByteArray();
        if (line.hasValue) {
            line.value = trimmed(t.sliced(eq + 1)).toByteArray();
        }
    }
    lines_.push_back(std::move(line));
}

void ProfileFile::buildIndex() {
    sections_.clear();
    sectionIndex_.clear();
    sections_.emplace_back();  // the lines before the first header
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        const Line& line = lines_[i];
        if (line.kind == LineKind::Header) {
            sections_.back().end = i;
            Section section;
            section.name = upToNul(line.name).toByteArray();
            section.header = i;
            section.lastLine = i;
            sections_.push_back(std::move(section));
            continue;
        }
        Section& section = sections_.back();
        if (line.kind == LineKind::Comment) {
            section.lastLine = i;
        } else if (line.kind == LineKind::Entry) {
            section.lastLine = i;
            section.entries.push_back(i);
            const QByteArray key = storedKey(line.name);
            if (!section.keys.contains(key)) {
                section.keys.insert(key, i);
            }
        }
    }
    sections_.back().end = static_cast<int>(lines_.size());
    for (int i = 0; i < static_cast<int>(sections_.size()); ++i) {
        const QByteArray key = storedKey(sections_[i].name);
        if (!sectionIndex_.contains(key)) {
            sectionIndex_.insert(key, i);
        }
    }
}

void ProfileFile::reparse() {
    parse(bytes());
}

int ProfileFile::findSection(QByteArrayView name) const {
    return sectionIndex_.value(argumentKey(name), -1);
}

int ProfileFile::findEntry(int section, QByteArrayView key) const {
    return section < 0 ? -1 : sections_[section].keys.value(argumentKey(key), -1);
}

std::optional<QByteArray> ProfileFile::value(QByteArrayView section, QByteArrayView key) const {
    const int line = findEntry(findSection(section), key);
    if (line < 0 || !lines_[line].hasValue) {
        return std::nullopt;
    }
    return unquoted(upToNul(lines_[line].value)).toByteArray();
}

QByteArray ProfileFile::getString(std::optional<QByteArrayView> section,
                                  std::optional<QByteArrayView> key,
                                  std::optional<QByteArrayView> def, int size) const {
    if (size <= 0) {
        return {};
    }
    if (!section) {
        return fitList(joinedList(sectionNames()), size);
    }
    if (!key) {
        // A missing section, or one without named entries, gives the default string.
        const QByteArray list = joinedList(keyNames(*section));
        if (list.isEmpty() || list.front() == '\0') {
            return fitString(defaultText(def), size);
        }
        return fitList(list, size);
    }
    const std::optional<QByteArray> v = value(*section, *key);
    return fitString(v ? QByteArrayView(*v) : defaultText(def), size);
}

quint32 ProfileFile::getInt(QByteArrayView section, QByteArrayView key, qint32 def) const {
    const std::optional<QByteArray> v = value(section, key);
    if (!v || v->isEmpty()) {
        return static_cast<quint32>(def);
    }
    return parseProfileInt(*v);
}

QByteArray ProfileFile::getSection(QByteArrayView section, int size) const {
    const int index = findSection(section);
    if (index < 0) {
        return {};
    }
    QByteArray list;
    for (const int i : sections_[index].entries) {
        const Line& line = lines_[i];
        const QByteArrayView name = upToNul(line.name);
        if (line.hasValue) {
            list.append(name).append('=').append(upToNul(line.value)).append('\0');
        } else if (!name.isEmpty()) {
            list.append(name).append('\0');
        }
    }
    return fitList(list, size);
}

QByteArrayList ProfileFile::sectionNames() const {
    QByteArrayList names;
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        if (!sections_[i].name.isEmpty()) {
            names.append(sections_[i].name);
        }
    }
    return names;
}

QByteArrayList ProfileFile::keyNames(QByteArrayView section) const {
    QByteArrayList names;
    const int index = findSection(section);
    if (index < 0) {
        return names;
    }
    for (const int i : sections_[index].entries) {
        if (lines_[i].hasValue) {
            names.append(upToNul(lines_[i].name).toByteArray());
        }
    }
    return names;
}

bool ProfileFile::hasKey(QByteArrayView section, QByteArrayView key) const {
    return value(section, key).has_value();
}

bool ProfileFile::hasSection(QByteArrayView section) const {
    return findSection(section) >= 0;
}

bool ProfileFile::writeString(std::optional<QByteArrayView> section,
                              std::optional<QByteArrayView> key,
                              std::optional<QByteArrayView> value) {
    if (!section || !isWritableSectionName(*section) || (key && !isWritableKey(*key)) ||
        (value && !isWritableText(*value))) {
        return false;
    }
    const int index = findSection(*section);
    if (!key) {
        if (index > 0) {
            const Section& s = sections_[index];
            lines_.erase(lines_.begin() + s.header, lines_.begin() + s.end);
            reparse();
        }
        return true;
    }
    const int entry = findEntry(index, *key);
    if (!value) {
        if (entry >= 0) {
            lines_.erase(lines_.begin() + entry);
            reparse();
        }
        return true;
    }
    const QByteArray text = trimmed(*value).toByteArray();
    if (entry >= 0) {
        Line& line = lines_[entry];
        if (line.hasValue && line.value == text) {
            return true;  // already there: the file stays as it is
        }
        line.raw = fileText(line.name + '=' + text);
    } else if (index >= 0) {
        const int after = sections_[index].lastLine;
        ensureLineEnd(after);
        lines_.insert(lines_.begin() + after + 1, newLine(key->toByteArray() + '=' + text));
    } else {
        if (!lines_.empty()) {
            ensureLineEnd(static_cast<int>(lines_.size()) - 1);
        }
        lines_.push_back(newLine('[' + section->toByteArray() + ']'));
        lines_.push_back(newLine(key->toByteArray() + '=' + text));
    }
    reparse();
    return true;
}

QByteArray ProfileFile::fileText(QByteArrayView text) const {
    if (encoding_ == Encoding::Cp932) {
        return text.toByteArray();
    }
    const QString unicode = cp932::decode(text);
    QByteArray out;
    out.reserve(unicode.size() * 2);
    for (const QChar c : unicode) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

ProfileFile::Line ProfileFile::newLine(QByteArrayView text) const {
    Line line;
    line.raw = fileText(text);
    line.eol = fileText(kCrLf);
    return line;
}

void ProfileFile::ensureLineEnd(int line) {
    if (lines_[line].eol.isEmpty()) {
        lines_[line].eol = fileText(kCrLf);
    }
}

QByteArray ProfileFile::bytes() const {
    QByteArray out = bom_;
    for (const Line& line : lines_) {
        out.append(line.raw).append(line.eol);
    }
    return out.append(tail_);
}

bool ProfileFile::save(const QString& path, QString* error) const {
    QString reason;
    if (replaceFile(path, bytes(), &reason)) {
        return true;
    }
    if (error != nullptr) {
        *error = QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(path), reason);
    }
    return false;
}

}  // namespace zul
