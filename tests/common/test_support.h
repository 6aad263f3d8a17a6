#pragma once

#include <QByteArray>
#include <QString>

#include <sys/resource.h>

#include <csignal>

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

// The three-slide presentation of the fixtures (presentation/slides.fodp: red with a gold box
// that appears on the first click, green, blue; no transitions) written by LibreOffice into
// `folder` as `name`, in the format of its extension (".odp", ".ppt", ".pptx"). Returns its
// path, or an empty string when LibreOffice (soffice) is missing or made nothing.
QString makeSamplePresentation(const QString& folder, const QString& name);

// Lowers the largest file size this process may write while it lives, so that a write
// beyond it fails part-way as on a full disk (EFBIG; the signal that would end the process
// is ignored meanwhile). Nothing may print to a file in the meantime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit old_{};
    bool active_ = false;
    bool handlerSet_ = false;
    void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace zul::test
