#pragma once

#include <QByteArray>
#include <QString>

namespace zul::test {

// Folder of the shared reference data, or an empty string when it is not there.
QString sharedDir();

// Path inside tests/fixtures.
QString fixture(const QString& relative);

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

// Bytes from a hex string such as "5b53 6563" (blanks ignored).
QByteArray fromHex(const QString& hex);

// Text in code page 932 from a UTF-8 literal.
QByteArray sj(const char* utf8);

}  // namespace zul::test
