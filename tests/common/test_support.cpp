#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/cp932.h"

namespace zul::test {

QString sharedDir() {
    const QString env = qEnvironmentVariable("ZUL_SHARED_DIR");
    const QString dir = env.isEmpty() ? QStringLiteral(ZUL_SOURCE_DIR "/../shared") : env;
    return QFileInfo(dir).isDir() ? QDir(dir).absolutePath() : QString();
}

QString fixture(const QString& relative) {
    return QStringLiteral(ZUL_FIXTURES_DIR "/") + relative;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
}

QByteArray fromHex(const QString& hex) {
    QString clean = hex;
    clean.remove(QLatin1Char(' '));
    return QByteArray::fromHex(clean.toLatin1());
}

QByteArray sj(const char* utf8) {
    return cp932::encode(QString::fromUtf8(utf8));
}

QString makeSamplePresentation(const QString& folder, const QString& name) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        return {};
    }
    const QTemporaryDir work;
    const QString format = QFileInfo(name).suffix();
    QProcess soffice;
    soffice.start(
        QStringLiteral("soffice"),
        {QStringLiteral("-env:UserInstallation=") +
             QString::fromLatin1(
                 QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toEncoded()),
         QStringLiteral("--headless"), QStringLiteral("--norestore"),
         QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), work.path(),
         fixture(QStringLiteral("presentation/slides.fodp"))});
    if (!soffice.waitForFinished(120000)) {
        soffice.kill();
        soffice.waitForFinished();
        return {};
    }
    const QString made = work.filePath(QStringLiteral("slides.") + format);
    const QString target = QDir(folder).filePath(name);
    QFile::remove(target);
    if (QFileInfo(made).size() <= 0 || !QFile::copy(made, target)) {
        return {};
    }
    return target;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    if (getrlimit(RLIMIT_FSIZE, &old_) != 0) {
        return;
    }
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    handlerSet_ = previousHandler_ != SIG_ERR;
    rlimit lowered = old_;
    lowered.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
}

FileSizeLimit::~FileSizeLimit() {
    if (active_) {
        setrlimit(RLIMIT_FSIZE, &old_);
    }
    if (handlerSet_) {
        std::signal(SIGXFSZ, previousHandler_);
    }
}

}  // namespace zul::test
