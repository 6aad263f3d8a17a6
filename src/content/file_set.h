#pragma once

// File sets (".rf1"): one INI section "FileSet" naming the files that make up a screen of an
// event (settings, background, caption texts, parts definition and values, IPtalk settings,
// worksheet). Values are file names in code page 932; an empty or missing value means that
// nothing is loaded for that item.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace zul {

struct FileSet {
    QByteArray BackGround;
    QByteArray TextFile;
    QByteArray SettingFile;
    QByteArray FlowParts;
    QByteArray PartsValue;
    QByteArray IPtalkFile;
    QByteArray CSVFile;

    friend bool operator==(const FileSet&, const FileSet&) = default;
};

// `path` with the extension of its file name replaced by `extension` (given without the
// dot), or with it added when the name has none. A name's extension starts at its last dot;
// a leading dot (".profile") starts a hidden name, not an extension.
QString withExtension(const QString& path, QStringView extension);

// The seven keys of section "FileSet" as the profile functions read them (trimmed,
// unquoted, at most 2047 bytes); a missing key, section or file reads as empty. Throws
// ZulError when the file exists but is not read (see ProfileFile::read).
FileSet readFileSet(const QString& path);

// Writes `set` to `withExtension(path, "rf1")` as a fresh file holding only section
// "FileSet" with the seven keys in the order BackGround, TextFile, SettingFile, FlowParts,
// PartsValue, IPtalkFile, CSVFile, empty values as "key=", CR LF line ends. The file is
// replaced in one step, so a failed write leaves an existing file whole. Returns false with
// the reason in `error` when the file cannot be written or a value holds a line break or a
// NUL byte (it could not be read back as one value).
bool writeFileSet(const QString& path, const FileSet& set, QString* error = nullptr);

}  // namespace zul
