#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

namespace zul {
namespace {

constexpr qint64 kChunkBytes = 64 * 1024;

// Closes the descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

private:
    int fd_;
};

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

FileReadResult refused(FileReadStatus status, QString reason) {
    FileReadResult r;
    r.status = status;
    r.reason = std::move(reason);
    return r;
}

FileReadResult missing() {
    return refused(FileReadStatus::Missing, QStringLiteral("ファイルが見つかりません"));
}

FileReadResult notRegular() {
    return refused(
        FileReadStatus::NotRegularFile,
        QStringLiteral("通常のファイルではありません（フォルダ・デバイス・パイプなど）"));
}

FileReadResult tooLarge(qint64 maxBytes) {
    return refused(FileReadStatus::TooLarge,
                   QStringLiteral("大きすぎます（%1 バイトまで）").arg(maxBytes));
}

FileReadResult failedWith(int error) {
    if (error == ENOENT || error == ENOTDIR) {
        return missing();
    }
    return refused(FileReadStatus::Failed, systemReason(error));
}

// The name as the system takes it; nullopt for a name that no file can have.
std::optional<QByteArray> systemName(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(u'\0'))) {
        return std::nullopt;
    }
    return QFile::encodeName(path);
}

// Reads up to `limit` bytes; false with errno set when a read fails.
bool readUpTo(int fd, qint64 limit, qint64 sizeHint, QByteArray& out) {
    out.reserve(static_cast<qsizetype>(std::clamp<qint64>(sizeHint, 0, limit)));
    while (out.size() < limit) {
        const qint64 want = std::min(kChunkBytes, limit - out.size());
        const qsizetype at = out.size();
        out.resize(at + static_cast<qsizetype>(want));
        const ssize_t got = ::read(fd, out.data() + at, static_cast<size_t>(want));
        if (got < 0) {
            out.resize(at);
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        out.resize(at + got);
        if (got == 0) {
            break;
        }
    }
    return true;
}

}  // namespace

FileReadResult readRegularFile(const QString& path, qint64 maxBytes, Oversize oversize) {
    const std::optional<QByteArray> name = systemName(path);
    if (!name) {
        return path.isEmpty() ? missing()
                              : refused(FileReadStatus::Failed,
                                        QStringLiteral("ファイル名に NUL 文字があります"));
    }
    // A first look without opening: opening some devices has effects of its own.
    struct stat info {};
    if (::stat(name->constData(), &info) != 0) {
        return failedWith(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return notRegular();
    }
    // Non-blocking, so that a FIFO put in its place meanwhile cannot hold the open.
    const Descriptor fd(::open(name->constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        return failedWith(errno);
    }
    if (::fstat(fd.get(), &info) != 0) {
        return failedWith(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return notRegular();
    }
    const qint64 bound = std::max<qint64>(maxBytes, 0);
    if (oversize == Oversize::Refuse && info.st_size > bound) {
        return tooLarge(bound);
    }
    // One byte more than the bound tells a file that grew while it was read.
    const qint64 limit = oversize == Oversize::Refuse ? bound + 1 : bound;
    FileReadResult r;
    if (!readUpTo(fd.get(), limit, info.st_size, r.bytes)) {
        return failedWith(errno);
    }
    if (r.bytes.size() > bound) {
        return tooLarge(bound);
    }
    r.status = FileReadStatus::Ok;
    return r;
}

bool isRegularFile(const QString& path) {
    const std::optional<QByteArray> name = systemName(path);
    struct stat info {};
    return name && ::stat(name->constData(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace zul
