#pragma once

// Office documents and Windows metafiles converted by LibreOffice in headless mode: an
// Office document (.ppt, .doc, .xls, .sxd, ...) becomes a PDF that the PDF viewer shows,
// an .emf or .wmf picture becomes a PNG that the picture viewer shows.
//
// A conversion costs seconds, mostly LibreOffice's start-up, so every result is kept in a
// cache folder under a name made from the source's absolute path, size and modification
// time: asking again for an unchanged file returns the cached result at once, without a
// process. The folder also holds the LibreOffice user profiles that the conversions run
// with, so that a LibreOffice on the desktop or another converter never shares one.
//
// Re-entrancy: a conversion runs `soffice` as a QProcess and waits for it in a local
// QEventLoop, so that the window keeps painting and sockets, timers and packets keep being
// handled during the wait. Anything may therefore run inside toPdf() and toPng(), including
// another conversion. A second request for a file whose conversion is running does not
// start a second process: it waits for the same one and gets the same result or error. A
// caller lower on the stack returns only after the calls above it have returned.

#include <QHash>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

namespace zul {

class OfficeConverter : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{120'000};

    // Caches in the application's cache location (a folder "office" inside it).
    explicit OfficeConverter(QObject* parent = nullptr);
    // Caches in `cacheDir`, created when missing.
    explicit OfficeConverter(const QString& cacheDir, QObject* parent = nullptr);
    ~OfficeConverter() override;

    OfficeConverter(const OfficeConverter&) = delete;
    OfficeConverter& operator=(const OfficeConverter&) = delete;

    // The path of a PDF made from the Office document at `path`. Throws ZulError when the
    // file is missing, LibreOffice is not installed, the conversion fails, produces
    // nothing or takes longer than the timeout.
    QString toPdf(const QString& path);

    // The path of a PNG made from the picture at `path` (meant for .emf and .wmf): the
    // picture at 96 dpi, cut to the drawing (LibreOffice places it on a white page).
    // Throws as toPdf().
    QString toPng(const QString& path);

    // Whether the LibreOffice program was found, so that conversions can run at all.
    bool available() const;

    // The program run for a conversion; by default "soffice" (or "libreoffice") found on
    // PATH. A name without a slash is looked up on PATH.
    void setProgram(const QString& program);
    QString program() const { return program_; }

    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    QString cacheDir() const { return cacheDir_; }

signals:
    // A LibreOffice process was started for `path` (not emitted for a cached result).
    void conversionStarted(const QString& path);
    // That process ended; `ok` when a result is now in the cache.
    void conversionFinished(const QString& path, bool ok);

private:
    struct Job;

    QString convert(const QString& path, const QString& format);
    std::shared_ptr<Job> start(const QString& source, const QString& target, const QString& format);
    void onProcessFinished(Job& job);
    void finish(Job& job, const QString& error);
    static void storeResult(const Job& job, const QString& output);
    static QString waitFor(const std::shared_ptr<Job>& job);

    QString cacheDir_;
    QString program_;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
    // Running conversions by their cache file name.
    QHash<QString, std::shared_ptr<Job>> jobs_;
};

}  // namespace zul
