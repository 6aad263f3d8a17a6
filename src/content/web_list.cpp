#include "content/web_list.h"

#include <array>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_write.h"
#include "platform/regular_file.h"

namespace zul {
namespace {

// Extensions that the display machine shows as a background file. The dot of an extension
// can never be the second byte of a double-byte character (those are 0x40 and above), so
// the byte search below is safe on code page 932 text.
constexpr std::array<QByteArrayView, 13> kBackgroundExtensions = {
    ".bmp",  ".jpg", ".jpeg", ".ico", ".emf", ".wmf", ".ppt",
    ".pptx", ".odp", ".sxd",  ".doc", ".xls", ".pdf",
};

QByteArray asciiLower(QByteArrayView text) {
    QByteArray out(text.data(), text.size());
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

ZulError unreadable(const QString& path, const QString& reason) {
    return ZulError(QStringLiteral("ファイルを読めません：%1（%2）").arg(path, reason));
}

}  // namespace

QByteArrayList splitTextLines(QByteArrayView bytes) {
    QByteArrayList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.append(bytes.sliced(start, i - start).toByteArray());
        i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    // A last line without a line end is an entry; the end of the text after a line end is not.
    if (start < bytes.size()) {
        lines.append(bytes.sliced(start).toByteArray());
    }
    return lines;
}

QByteArrayList readTextLines(const QString& path) {
    const FileReadResult file = readRegularFile(path, kMaxListFileBytes);
    if (!file.ok()) {
        throw unreadable(path, file.reason);
    }
    return splitTextLines(file.bytes);
}

QByteArrayList cutLines(QByteArrayList lines, qsizetype maxBytes) {
    for (QByteArray& line : lines) {
        if (line.size() > maxBytes) {
            line = cp932::truncate(line, maxBytes);
        }
    }
    return lines;
}

bool writeWebList(const QString& path, const QByteArrayList& entries, QString* error) {
    QByteArray out;
    for (const QByteArray& entry : entries) {
        out.append(entry).append("\r\n", 2);
    }
    return replaceFile(path, out, error);
}

WebEntryKind webEntryKind(QByteArrayView entry) {
    const qsizetype dot = entry.lastIndexOf('.');
    if (dot < 0) {
        return WebEntryKind::Address;
    }
    const QByteArray extension = asciiLower(entry.sliced(dot));
    for (QByteArrayView known : kBackgroundExtensions) {
        if (extension == known) {
            return WebEntryKind::Background;
        }
    }
    if (extension == ".rp1") {
        return WebEntryKind::Parts;
    }
    if (extension == ".rf1") {
        return WebEntryKind::FileSet;
    }
    return WebEntryKind::Address;
}

}  // namespace zul
