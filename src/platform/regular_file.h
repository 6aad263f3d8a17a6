#pragma once

// Reading a whole file whose name came from outside (a packet, a file set, a list). Only
// regular files are read: a folder, a device, a FIFO or a socket is refused before anything
// is read, so that a name such as a terminal device or a named pipe can never block the one
// thread of the program. The file is opened non-blocking and checked again on the opened
// descriptor, so a name swapped for a FIFO between the check and the open is refused too.
// The number of bytes read is bounded by the caller.

#include <QByteArray>
#include <QString>

namespace zul {

enum class FileReadStatus {
    Ok,
    Missing,         // no such file (or a folder on the way is missing)
    NotRegularFile,  // a folder, device, FIFO or socket
    TooLarge,        // larger than the caller's bound (only with Oversize::Refuse)
    Failed,          // the system refused to open or read it
};

// What a file larger than the bound gives.
enum class Oversize {
    Refuse,      // nothing: status TooLarge
    ReadPrefix,  // its first `maxBytes` bytes: status Ok
};

struct FileReadResult {
    FileReadStatus status = FileReadStatus::Failed;
    QByteArray bytes;
    // Why the file was not read, for a log line or an error message (empty when Ok).
    QString reason;

    bool ok() const { return status == FileReadStatus::Ok; }
};

// Reads the file at `path` (symbolic links followed) when it is a regular file of at most
// `maxBytes` bytes. A path with a NUL character names no file and is refused.
FileReadResult readRegularFile(const QString& path, qint64 maxBytes,
                               Oversize oversize = Oversize::Refuse);

// Whether `path` names a regular file now (symbolic links followed). For readers that must
// hand the name itself to a library; the bytes of such files are read by the library.
bool isRegularFile(const QString& path);

}  // namespace zul
