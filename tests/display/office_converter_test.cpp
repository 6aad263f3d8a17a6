#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <initializer_list>
#include <memory>

#include "display/viewers.h"
#include "platform/errors.h"
#include "platform/office_converter.h"

using namespace zul;
using namespace std::chrono_literals;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A shell script standing in for soffice, to make each kind of failure happen.
QString script(const QTemporaryDir& dir, const char* name, const char* body) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    write(path, QByteArray("#!/bin/sh\n") + body + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// A placeable Windows metafile of 200 x 100 pixels at 96 dpi: red left half, blue right
// half, drawn without outline.
QByteArray wmfPicture() {
    QByteArray body;
    const auto word = [](QByteArray& out, int v) {
        out.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
    };
    const auto record = [&](int function, std::initializer_list<int> params) {
        const int words = 3 + static_cast<int>(params.size());
        word(body, words);
        word(body, words >> 16);
        word(body, function);
        for (int p : params) {
            word(body, p);
        }
    };
    record(0x020B, {0, 0});             // SETWINDOWORG y, x
    record(0x020C, {100, 200});         // SETWINDOWEXT height, width
    record(0x02FA, {5, 0, 0, 0, 0});    // CREATEPENINDIRECT: null pen
    record(0x012D, {0});                // SELECTOBJECT pen
    record(0x02FC, {0, 0x00FF, 0, 0});  // CREATEBRUSHINDIRECT: solid red (0x000000FF)
    record(0x012D, {1});
    record(0x041B, {101, 101, 0, 0});   // RECTANGLE bottom, right, top, left
    record(0x02FC, {0, 0, 0x00FF, 0});  // solid blue (0x00FF0000)
    record(0x012D, {2});
    record(0x041B, {101, 201, 0, 100});
    record(0x0000, {});  // EOF

    QByteArray header;
    const int totalWords = (18 + static_cast<int>(body.size())) / 2;
    for (int v : {1, 9, 0x0300, totalWords & 0xFFFF, totalWords >> 16, 3, 7, 0, 0}) {
        word(header, v);  // type, size, version, file size, objects, max record, members
    }
    QByteArray placeable;
    for (int v : {0xCDD7, 0x9AC6, 0, 0, 0, 200, 100, 96, 0, 0}) {
        word(placeable, v);  // key, handle, bounds, units per inch, reserved
    }
    int checksum = 0;
    for (int i = 0; i < 20; i += 2) {
        checksum ^=
            static_cast<quint8>(placeable[i]) | (static_cast<quint8>(placeable[i + 1]) << 8);
    }
    word(placeable, checksum);
    return placeable + header + body;
}

bool isPdf(const QString& path) {
    QPdfDocument document;
    return document.load(path) == QPdfDocument::Error::None && document.pageCount() >= 1;
}

}  // namespace

// Failures need no LibreOffice: a missing file, a missing program, and scripts that exit
// badly, print nothing, hang or crash. None leaves a result behind, and a failed file is
// tried again on the next request rather than stuck on the failed attempt.
TEST(OfficeConverterFailures, ReportEachFailureAndCacheNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString doc = dir.filePath(QStringLiteral("talk.ppt"));
    write(doc, "not really a presentation");
    const struct {
        const char* name;
        QString program;
        QString file;
        const char* message;
        bool starts;
    } cases[] = {
        {"missing file", script(dir, "ok.sh", "exit 0"), dir.filePath("gone.ppt"), "見つかりません",
         false},
        {"missing program", QStringLiteral("/nonexistent/soffice"), doc, "見つからない", false},
        {"non-zero exit", script(dir, "fail.sh", "echo 'Error: broken' >&2; exit 3"), doc,
         "終了コード 3", true},
        {"no output", script(dir, "silent.sh", "exit 0"), doc, "変換結果がありません", true},
        {"crash", script(dir, "crash.sh", "kill -9 $$"), doc, "異常終了", true},
        {"hangs", script(dir, "hang.sh", "sleep 30"), doc, "終わりません", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir cache;
        OfficeConverter converter(cache.path());
        converter.setProgram(c.program);
        converter.setTimeout(300ms);
        QSignalSpy started(&converter, &OfficeConverter::conversionStarted);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            QElapsedTimer clock;
            clock.start();
            try {
                converter.toPdf(c.file);
                ADD_FAILURE() << "no error";
            } catch (const ZulError& e) {
                EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << e.what();
                EXPECT_TRUE(e.message().contains(c.file)) << e.what();
            }
            EXPECT_LT(clock.elapsed(), 5000);
            EXPECT_EQ(started.size(), c.starts ? attempt : 0);
        }
        EXPECT_TRUE(QDir(cache.path()).entryList({"*.pdf", "*.png"}, QDir::Files).isEmpty());
    }
}

// Something handled during the wait may destroy the converter (the window closes): the
// waiting caller then gets an error instead of hanging, and the process is gone.
TEST(OfficeConverterFailures, DestroyedDuringAConversionReleasesItsCaller) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString doc = dir.filePath(QStringLiteral("talk.ppt"));
    write(doc, "x");
    const QString marker = dir.filePath(QStringLiteral("still-running"));
    auto converter = std::make_unique<OfficeConverter>(dir.filePath(QStringLiteral("cache")));
    converter->setProgram(
        script(dir, "hang.sh",
               QStringLiteral("(sleep 2; touch '%1') & wait").arg(marker).toUtf8().constData()));
    QTimer::singleShot(200, [&converter] { converter.reset(); });
    EXPECT_THROW(converter->toPdf(doc), ZulError);
    EXPECT_EQ(converter, nullptr);
    QTest::qWait(2500);
    EXPECT_FALSE(QFileInfo::exists(marker)) << "the converter's process outlived it";
}

// Real conversions by LibreOffice, on a .doc that LibreOffice itself made from text.
class OfficeConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!OfficeConverter(QDir::tempPath()).available()) {
            return;
        }
        sources_ = std::make_unique<QTemporaryDir>();
        write(sources_->filePath("notes.txt"), "Welcome to the show\nSecond line\n");
        QProcess soffice;
        soffice.start(QStringLiteral("soffice"),
                      {QStringLiteral("-env:UserInstallation=") +
                           QString::fromLatin1(
                               QUrl::fromLocalFile(sources_->filePath("profile")).toEncoded()),
                       "--headless", "--norestore", "--convert-to", "doc", "--outdir",
                       sources_->path(), sources_->filePath("notes.txt")});
        soffice.waitForFinished(120000);
        QFile::copy(document(), sources_->filePath("copy of notes.doc"));
    }

    static void TearDownTestSuite() { sources_.reset(); }

    void SetUp() override {
        if (!sources_) {
            GTEST_SKIP() << "LibreOffice (soffice) is not installed: conversions are not tested";
        }
        ASSERT_TRUE(QFileInfo(document()).size() > 0) << "LibreOffice made no .doc to convert";
    }

    static QString document() { return sources_->filePath("notes.doc"); }
    static QString copyOfDocument() { return sources_->filePath("copy of notes.doc"); }

    // A space in the folder name must survive the profile address given to LibreOffice.
    QTemporaryDir cache_{QDir::tempPath() + QStringLiteral("/office cache XXXXXX")};
    static std::unique_ptr<QTemporaryDir> sources_;
};

std::unique_ptr<QTemporaryDir> OfficeConversion::sources_;

TEST_F(OfficeConversion, ConvertsADocumentOnceAndThenServesTheCache) {
    OfficeConverter converter(cache_.path());
    QSignalSpy started(&converter, &OfficeConverter::conversionStarted);
    QElapsedTimer clock;
    clock.start();
    const QString pdf = converter.toPdf(document());
    const qint64 firstMs = clock.elapsed();
    EXPECT_TRUE(isPdf(pdf));
    EXPECT_EQ(started.size(), 1);
    // LibreOffice worked on a link in its own folder: no lock file beside the document.
    EXPECT_TRUE(
        QDir(sources_->path()).entryList({".~lock*"}, QDir::Hidden | QDir::Files).isEmpty());

    clock.restart();
    EXPECT_EQ(converter.toPdf(document()), pdf);
    const qint64 cachedMs = clock.elapsed();
    EXPECT_LT(cachedMs, 100);
    EXPECT_EQ(started.size(), 1);
    std::printf("[ timing ] first conversion %lld ms, cached %lld ms\n",
                static_cast<long long>(firstMs), static_cast<long long>(cachedMs));

    // The cache outlives the converter (the next start of the program finds it)...
    OfficeConverter later(cache_.path());
    QSignalSpy laterStarted(&later, &OfficeConverter::conversionStarted);
    EXPECT_EQ(later.toPdf(document()), pdf);
    EXPECT_EQ(laterStarted.size(), 0);

    // ...but not a change of the document.
    QFile file(document());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QFileInfo(file).lastModified().addSecs(10),
                                 QFileDevice::FileModificationTime));
    file.close();
    const QString changed = later.toPdf(document());
    EXPECT_NE(changed, pdf);
    EXPECT_TRUE(isPdf(changed));
    EXPECT_EQ(laterStarted.size(), 1);
}

// A packet handled during a conversion asks for the same file: it waits for the running
// process instead of starting a second one, and both callers get the same PDF.
TEST_F(OfficeConversion, TwoCallersOfOneFileShareOneProcess) {
    OfficeConverter converter(cache_.path());
    QSignalSpy started(&converter, &OfficeConverter::conversionStarted);
    QString inner;
    QString innerError;
    QTimer::singleShot(0, [&] {
        try {
            inner = converter.toPdf(document());
        } catch (const ZulError& e) {
            innerError = e.message();
        }
    });
    const QString outer = converter.toPdf(document());
    EXPECT_TRUE(innerError.isEmpty()) << innerError.toStdString();
    EXPECT_EQ(inner, outer);
    EXPECT_TRUE(isPdf(outer));
    EXPECT_EQ(started.size(), 1);
}

// Another file requested during a conversion runs in a process of its own, on its own
// LibreOffice profile, at the same time.
TEST_F(OfficeConversion, ADifferentFileConvertsAlongside) {
    OfficeConverter converter(cache_.path());
    QSignalSpy started(&converter, &OfficeConverter::conversionStarted);
    QString inner;
    QString innerError;
    QTimer::singleShot(0, [&] {
        try {
            inner = converter.toPdf(copyOfDocument());
        } catch (const ZulError& e) {
            innerError = e.message();
        }
    });
    const QString outer = converter.toPdf(document());
    EXPECT_TRUE(innerError.isEmpty()) << innerError.toStdString();
    EXPECT_EQ(started.size(), 2);
    EXPECT_NE(inner, outer);
    EXPECT_TRUE(isPdf(inner));
    EXPECT_TRUE(isPdf(outer));
}

// A metafile reaches the picture viewer as a PNG of the drawing alone, at its own size.
TEST_F(OfficeConversion, MetafileBecomesThePictureOfItsDrawing) {
    const QString wmf = sources_->filePath("logo.WMF");
    write(wmf, wmfPicture());
    OfficeConverter converter(cache_.path());
    const QImage picture = PictureView::loadPicture(wmf, converter);
    EXPECT_NEAR(picture.width(), 200, 2);
    EXPECT_NEAR(picture.height(), 100, 2);
    EXPECT_EQ(picture.pixelColor(50, 50).name(), QColor(Qt::red).name());
    EXPECT_EQ(picture.pixelColor(150, 50).name(), QColor(Qt::blue).name());
}
