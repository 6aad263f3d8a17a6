#include "platform/office_converter.h"

#include <signal.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "platform/errors.h"

namespace zul {

// One running LibreOffice process and the callers waiting for it. Members are destroyed in
// reverse order: the process ends before its profile is unlocked and its work folder goes.
struct OfficeConverter::Job {
    QString source;  // absolute path of the file to convert
    QString target;  // cache file that receives the result
    QString format;  // "pdf" or "png"
    QString input;   // the source as linked into the work folder
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<QLockFile> profileLock;
    std::unique_ptr<QProcess> process;
    QTimer timer;
    std::vector<QEventLoop*> waiters;  // not owned: the local loops of the waiting callers
    bool done = false;
    QString error;
};

namespace {

constexpr int kProfileSlots = 16;
constexpr QRgb kPageWhite = 0xFFFFFFFF;

QString findProgram(const QString& name) {
    if (name.contains(QLatin1Char('/'))) {
        return name;
    }
    return QStandardPaths::findExecutable(name);
}

// The cache file name: a hash of what identifies this version of the source.
QString cacheName(const QFileInfo& info, const QString& format) {
    const QString key = info.absoluteFilePath() + QLatin1Char('\n') + QString::number(info.size()) +
                        QLatin1Char('\n') +
                        QString::number(info.lastModified().toMSecsSinceEpoch());
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1);
    return QString::fromLatin1(hash.toHex()) + QLatin1Char('.') + format;
}

// Locks the first LibreOffice profile folder that no other conversion (in this process or
// another) is using. Two soffice processes on one profile would hand their work to each
// other and exit early.
struct ProfileSlot {
    QString dir;
    std::unique_ptr<QLockFile> lock;
};

ProfileSlot lockProfileSlot(const QString& profilesDir) {
    for (int i = 0; i < kProfileSlots; ++i) {
        const QString base = profilesDir + QLatin1Char('/') + QString::number(i);
        auto lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
        // A lock is stale only when its process is gone, never by age: a conversion may
        // legitimately run for minutes.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            return {base, std::move(lock)};
        }
    }
    throw ZulError(
        QStringLiteral("LibreOffice のプロファイルがすべて使用中です：%1").arg(profilesDir));
}

// The last non-empty line that LibreOffice printed, for the error message.
QString lastLine(const QByteArray& output) {
    const QStringList lines =
        QString::fromLocal8Bit(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed().left(200);
}

// soffice starts a launcher that starts the real program: kill the whole process group
// (the child made itself a group leader) so that nothing is left running, and reap it.
void killProcessGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0) {
        ::kill(static_cast<pid_t>(-pid), SIGKILL);
        process.waitForFinished(5000);
    }
}

bool isBackground(QRgb pixel) {
    return pixel == kPageWhite || qAlpha(pixel) == 0;
}

// LibreOffice draws a metafile centred on a white page: keep the bounding box of
// everything that is not page background (the whole page when nothing is drawn).
QImage cropToDrawing(const QImage& page) {
    const QImage image = page.convertToFormat(QImage::Format_ARGB32);
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!isBackground(row[x])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return page;
    }
    return page.copy(QRect(QPoint(left, top), QPoint(right, bottom)));
}

}  // namespace

OfficeConverter::OfficeConverter(QObject* parent)
    : OfficeConverter(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                          QStringLiteral("/office"),
                      parent) {}

OfficeConverter::OfficeConverter(const QString& cacheDir, QObject* parent)
    : QObject(parent), cacheDir_(QDir(cacheDir).absolutePath()) {
    program_ = findProgram(QStringLiteral("soffice"));
    if (program_.isEmpty()) {
        program_ = findProgram(QStringLiteral("libreoffice"));
    }
}

OfficeConverter::~OfficeConverter() {
    // Callers still waiting get an error; their loops end once control returns to them.
    const auto running = jobs_.values();
    for (const auto& job : running) {
        finish(*job, QStringLiteral("変換を中止しました：%1").arg(job->source));
        killProcessGroup(*job->process);
    }
}

void OfficeConverter::setProgram(const QString& program) {
    program_ = findProgram(program);
}

bool OfficeConverter::available() const {
    return !program_.isEmpty() && QFileInfo(program_).isExecutable();
}

QString OfficeConverter::toPdf(const QString& path) {
    return convert(path, QStringLiteral("pdf"));
}

QString OfficeConverter::toPng(const QString& path) {
    return convert(path, QStringLiteral("png"));
}

QString OfficeConverter::convert(const QString& path, const QString& format) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        throw ZulError(QStringLiteral("ファイルが見つかりません：%1").arg(path));
    }
    const QString name = cacheName(info, format);
    const QString target = cacheDir_ + QLatin1Char('/') + name;
    if (QFileInfo::exists(target)) {
        return target;
    }
    std::shared_ptr<Job> job = jobs_.value(name);
    if (!job) {
        job = start(info.absoluteFilePath(), target, format);
    }
    return waitFor(job);
}

std::shared_ptr<OfficeConverter::Job> OfficeConverter::start(const QString& source,
                                                             const QString& target,
                                                             const QString& format) {
    if (!available()) {
        throw ZulError(QStringLiteral("LibreOffice（soffice）が見つからないため変換できません：%1")
                           .arg(source));
    }
    const QString profilesDir = cacheDir_ + QStringLiteral("/profiles");
    if (!QDir().mkpath(profilesDir)) {
        throw ZulError(QStringLiteral("変換用のフォルダを作れません：%1").arg(cacheDir_));
    }
    auto job = std::make_shared<Job>();
    job->source = source;
    job->target = target;
    job->format = format;
    job->work = std::make_unique<QTemporaryDir>(cacheDir_ + QStringLiteral("/work-XXXXXX"));
    if (!job->work->isValid()) {
        throw ZulError(QStringLiteral("変換用のフォルダを作れません：%1").arg(cacheDir_));
    }
    // LibreOffice sees a link with a fixed name in the work folder: the output name is then
    // known, and its lock file lands there rather than beside the user's document.
    const QString suffix = QFileInfo(source).suffix().toLower();
    job->input = job->work->filePath(suffix.isEmpty() ? QStringLiteral("source")
                                                      : QStringLiteral("source.") + suffix);
    if (!QFile::link(source, job->input) && !QFile::copy(source, job->input)) {
        throw ZulError(QStringLiteral("ファイルを読めません：%1").arg(source));
    }
    ProfileSlot slot = lockProfileSlot(profilesDir);
    job->profileLock = std::move(slot.lock);

    job->process = std::make_unique<QProcess>();
    QProcess& process = *job->process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setChildProcessModifier([] { ::setsid(); });
    Job* raw = job.get();
    connect(&process, &QProcess::finished, this, [this, raw] { onProcessFinished(*raw); });
    connect(&process, &QProcess::errorOccurred, this, [this, raw](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            finish(*raw, QStringLiteral("LibreOffice を起動できません：%1（%2）")
                             .arg(raw->source, raw->process->errorString()));
        }
    });
    job->timer.setSingleShot(true);
    connect(&job->timer, &QTimer::timeout, this, [this, raw] {
        // Finished first, so that the end of the killed process is not taken for a crash.
        finish(*raw, QStringLiteral("LibreOffice の変換が %1 秒で終わりません：%2")
                         .arg(static_cast<double>(timeout_.count()) / 1000.0)
                         .arg(raw->source));
        killProcessGroup(*raw->process);
    });

    const QStringList args = {
        QStringLiteral("-env:UserInstallation=") +
            QString::fromLatin1(QUrl::fromLocalFile(slot.dir).toEncoded()),
        QStringLiteral("--headless"),
        QStringLiteral("--norestore"),
        QStringLiteral("--convert-to"),
        format,
        QStringLiteral("--outdir"),
        job->work->filePath(QStringLiteral("out")),
        job->input,
    };
    // Registered before the start: a process that fails to start may report it at once.
    jobs_.insert(QFileInfo(target).fileName(), job);
    emit conversionStarted(source);
    job->timer.start(timeout_);
    process.start(program_, args);
    return job;
}

void OfficeConverter::onProcessFinished(Job& job) {
    if (job.done) {
        return;
    }
    QProcess& process = *job.process;
    const QString said = lastLine(process.readAll());
    if (process.exitStatus() != QProcess::NormalExit) {
        finish(job, QStringLiteral("LibreOffice が異常終了しました：%1").arg(job.source));
        return;
    }
    if (process.exitCode() != 0) {
        finish(job, QStringLiteral("LibreOffice の変換に失敗しました（終了コード %1）：%2 %3")
                        .arg(process.exitCode())
                        .arg(job.source, said)
                        .trimmed());
        return;
    }
    const QString output =
        job.work->filePath(QStringLiteral("out/") + QFileInfo(job.input).completeBaseName() +
                           QLatin1Char('.') + job.format);
    if (QFileInfo(output).size() <= 0) {
        // soffice ends with 0 also when it could not load the document.
        finish(job, QStringLiteral("LibreOffice の変換結果がありません：%1 %2")
                        .arg(job.source, said)
                        .trimmed());
        return;
    }
    try {
        storeResult(job, output);
        finish(job, {});
    } catch (const ZulError& e) {
        finish(job, e.message());
    }
}

// Moves LibreOffice's output into the cache; a picture is first cut to its drawing.
void OfficeConverter::storeResult(const Job& job, const QString& output) {
    const QString partial = job.work->filePath(QStringLiteral("result.") + job.format);
    if (job.format == QLatin1String("png")) {
        const QImage page(output);
        if (page.isNull() || !cropToDrawing(page).save(partial, "PNG")) {
            throw ZulError(QStringLiteral("変換した画像を読めません：%1").arg(job.source));
        }
    } else if (!QFile::rename(output, partial)) {
        throw ZulError(QStringLiteral("変換結果を保存できません：%1").arg(job.target));
    }
    QFile::remove(job.target);
    if (!QFile::rename(partial, job.target)) {
        throw ZulError(QStringLiteral("変換結果を保存できません：%1").arg(job.target));
    }
}

void OfficeConverter::finish(Job& job, const QString& error) {
    if (job.done) {
        return;
    }
    job.done = true;
    job.error = error;
    job.timer.stop();
    // Keep the job alive until this function returns: the waiters hold it too, but a job
    // without waiters would otherwise be destroyed here, inside its own process's signal.
    const std::shared_ptr<Job> keep = jobs_.take(QFileInfo(job.target).fileName());
    for (QEventLoop* loop : job.waiters) {
        loop->quit();
    }
    emit conversionFinished(job.source, error.isEmpty());
}

// Waits, while the event loop keeps running, until `job` is done. Uses only the job, never
// the converter, which may have been destroyed by something that ran during the wait.
QString OfficeConverter::waitFor(const std::shared_ptr<Job>& job) {
    if (!job->done) {
        QEventLoop loop;
        job->waiters.push_back(&loop);
        loop.exec();
        std::erase(job->waiters, &loop);
    }
    if (!job->error.isEmpty()) {
        throw ZulError(job->error);
    }
    return job->target;
}

}  // namespace zul
