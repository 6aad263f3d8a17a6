#pragma once

// Code page 932 (Shift_JIS as Windows writes it: NEC and IBM extensions, 0x5C is the
// backslash, 0x8160 is U+FF5E). Every text on the wire, in files and in the log is kept
// as these bytes; QString is used only at the edges (widgets, paths, host names).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zul::cp932 {

// Encodes text; a character that code page 932 cannot represent becomes '?'. When
// `unmappable` is given it receives the number of such characters.
QByteArray encode(QStringView text, int* unmappable = nullptr);

// Decodes bytes. An invalid byte or byte pair becomes U+FFFD for that byte.
QString decode(QByteArrayView bytes);

// First byte of a double-byte character (0x81..0x9F, 0xE0..0xFC).
constexpr bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length in bytes of the character starting at `pos` (1 or 2; 1 for a lead byte at the end).
inline qsizetype charLength(QByteArrayView bytes, qsizetype pos) {
    return isLeadByte(static_cast<unsigned char>(bytes[pos])) && pos + 1 < bytes.size() ? 2 : 1;
}

// Longest prefix of at most `maxBytes` bytes that does not split a double-byte character.
QByteArray truncate(QByteArrayView bytes, qsizetype maxBytes);

}  // namespace zul::cp932
