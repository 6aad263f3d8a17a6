#include "display/viewers.h"

#include <unistd.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QScreen>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <cmath>
#include <functional>
#include <utility>

#include "display/picture_fit.h"
#include "platform/errors.h"
#include "platform/office_converter.h"
#include "platform/regular_file.h"

namespace zul {
namespace {

// Larger picture files are not read: a photograph takes a few megabytes, and a file many
// times larger is no picture that the display can show.
constexpr qint64 kMaxPictureFileBytes = 128 * 1024 * 1024;

bool isMetafile(const QFileInfo& info) {
    const QString suffix = info.suffix().toLower();
    return suffix == QLatin1String("emf") || suffix == QLatin1String("wmf");
}

QString pdfErrorText(QPdfDocument::Error error, const QString& path) {
    switch (error) {
        case QPdfDocument::Error::FileNotFound:
            return QStringLiteral("ファイルが見つかりません：%1").arg(path);
        case QPdfDocument::Error::InvalidFileFormat:
            return QStringLiteral("PDF として読めません：%1").arg(path);
        case QPdfDocument::Error::IncorrectPassword:
        case QPdfDocument::Error::UnsupportedSecurityScheme:
            return QStringLiteral("パスワードで保護された PDF は表示できません：%1").arg(path);
        default:
            return QStringLiteral("PDF を読み込めません：%1").arg(path);
    }
}

// A page that never opens a second window: the display machine shows one page only.
class SingleWindowPage : public QWebEnginePage {
public:
    SingleWindowPage(QWebEngineProfile* profile, std::function<void()> onRefused)
        : QWebEnginePage(profile), onRefused_(std::move(onRefused)) {}

protected:
    QWebEnginePage* createWindow(WebWindowType /*type*/) override {
        onRefused_();
        return nullptr;
    }

private:
    std::function<void()> onRefused_;
};

const QUrl& blankUrl() {
    static const QUrl url(QStringLiteral("about:blank"));
    return url;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// PictureView

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::setImage(const QImage& image) {
    image_ = image;
    pictureChanged();
}

void PictureView::clear() {
    setImage(QImage());
}

void PictureView::setStretch(bool on) {
    if (stretch_ != on) {
        stretch_ = on;
        pictureChanged();
    }
}

void PictureView::setProportional(bool on) {
    if (proportional_ != on) {
        proportional_ = on;
        pictureChanged();
    }
}

QRect PictureView::drawnRect() const {
    if (image_.isNull()) {
        return {};
    }
    return fitPicture(image_.size(), size(), stretch_, proportional_);
}

void PictureView::pictureChanged() {
    scaled_ = QPixmap();
    update();
}

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    const QRect target = drawnRect();
    if (target.isEmpty()) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize deviceSize = (QSizeF(target.size()) * ratio).toSize();
    if (scaled_.isNull() || scaled_.size() != deviceSize) {
        const QImage source =
            deviceSize == image_.size()
                ? image_
                : image_.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled_ = QPixmap::fromImage(source);
        scaled_.setDevicePixelRatio(ratio);
    }
    painter.drawPixmap(target.topLeft(), scaled_);
}

QImage PictureView::loadPicture(const QString& path, OfficeConverter& converter) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        throw ZulError(QStringLiteral("ファイルが見つかりません：%1").arg(path));
    }
    const QString source = isMetafile(info) && isRegularFile(path) ? converter.toPng(path) : path;
    const FileReadResult file = readRegularFile(source, kMaxPictureFileBytes);
    if (!file.ok()) {
        throw ZulError(QStringLiteral("画像を読み込めません：%1（%2）").arg(path, file.reason));
    }
    QBuffer buffer;
    buffer.setData(file.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        throw ZulError(
            QStringLiteral("画像を読み込めません：%1（%2）").arg(path, reader.errorString()));
    }
    return image;
}

// ---------------------------------------------------------------------------------------
// PdfView

PdfView::PdfView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PdfView::~PdfView() = default;

void PdfView::load(const QString& path) {
    // The reader opens the file itself: make sure it is one that cannot block.
    if (QFileInfo::exists(path) && !isRegularFile(path)) {
        throw ZulError(
            QStringLiteral("PDF を読み込めません：%1（通常のファイルではありません）").arg(path));
    }
    auto document = std::make_unique<QPdfDocument>();
    const QPdfDocument::Error error = document->load(path);
    if (error != QPdfDocument::Error::None) {
        throw ZulError(pdfErrorText(error, path));
    }
    if (document->pageCount() < 1) {
        throw ZulError(QStringLiteral("PDF にページがありません：%1").arg(path));
    }
    document_ = std::move(document);
    fileName_ = path;
    page_ = 0;
    invalidate();
}

void PdfView::clear() {
    document_.reset();
    fileName_.clear();
    page_ = 0;
    invalidate();
}

void PdfView::setFitMode(FitMode mode) {
    if (fitMode_ != mode) {
        fitMode_ = mode;
        invalidate();
    }
}

int PdfView::pageCount() const {
    return document_ ? document_->pageCount() : 0;
}

bool PdfView::setPage(int page) {
    if (page < 0 || page >= pageCount()) {
        return false;
    }
    if (page_ != page) {
        page_ = page;
        invalidate();
    }
    return true;
}

QSize PdfView::naturalSize() const {
    const QSizeF points = document_->pagePointSize(page_);
    const double scaleX = logicalDpiX() / 72.0;
    const double scaleY = logicalDpiY() / 72.0;
    return {static_cast<int>(std::lround(points.width() * scaleX)),
            static_cast<int>(std::lround(points.height() * scaleY))};
}

QSize PdfView::pageShape() const {
    // In sixteenths of a point, so that a small page keeps its aspect ratio through the
    // rounding to whole units; sides beyond any real paper are limited first.
    const QSizeF points = document_->pagePointSize(page_);
    const auto units = [](qreal side) {
        return side > 0 ? static_cast<int>(std::lround(std::min<qreal>(side, 1e6) * 16)) : 0;
    };
    return {units(points.width()), units(points.height())};
}

QRect PdfView::pageArea() const {
    // The content area clips its viewers' right margin (kept for a scroll bar) and, with the
    // caption at the top, their foot: the page goes into the part that can be seen.
    const QWidget* parent = parentWidget();
    if (parent == nullptr) {
        return rect();
    }
    const QRect seen = rect().intersected(QRect(-pos(), parent->size()));
    return seen.isEmpty() ? rect() : seen;
}

QRect PdfView::drawnRect() const {
    if (!document_) {
        return {};
    }
    const QRect area = pageArea();
    switch (fitMode_) {
        case FitMode::Stretch:
            return area;
        case FitMode::Scale:
            return fitPicture(pageShape(), area.size(), true, true).translated(area.topLeft());
        case FitMode::Natural:
            break;
    }
    return {QPoint(0, 0), naturalSize()};
}

void PdfView::invalidate() {
    rendered_ = QImage();
    renderedPage_ = -1;
    update();
}

// The current page at `deviceSize`, rendered only when the cached image is of another page
// or size.
const QImage& PdfView::pageImage(QSize deviceSize) {
    if (renderedPage_ != page_ || renderedSize_ != deviceSize) {
        rendered_ = document_->render(page_, deviceSize);
        renderedPage_ = page_;
        renderedSize_ = deviceSize;
        ++renderCount_;
    }
    return rendered_;
}

void PdfView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    const QRect target = drawnRect();
    if (target.isEmpty()) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QImage page = pageImage((QSizeF(target.size()) * ratio).toSize());
    if (page.isNull()) {
        return;
    }
    page.setDevicePixelRatio(ratio);
    // The page is rendered with a transparent ground: give it its paper.
    painter.fillRect(target, Qt::white);
    painter.drawImage(target.topLeft(), page);
}

// ---------------------------------------------------------------------------------------
// WebView

WebView::WebView(QWidget* parent) : QWidget(parent), currentUrl_(blankUrl()) {
    engineFit_.setSingleShot(true);
    engineFit_.setInterval(kEngineFrameMs);
    connect(&engineFit_, &QTimer::timeout, this, &WebView::fitEngine);
}

WebView::~WebView() = default;

QUrl WebView::urlFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == blankUrl().toString()) {
        return blankUrl();
    }
    if (trimmed.startsWith(QLatin1Char('/'))) {
        return QUrl::fromLocalFile(trimmed);
    }
    const QUrl url(trimmed);
    if (url.isValid() && !url.scheme().isEmpty()) {
        return url;
    }
    return QUrl::fromUserInput(trimmed);
}

void WebView::navigate(const QString& text) {
    const QUrl url = urlFromText(text);
    // The browser opens a local name in a thread of its own and waits there for good on a
    // FIFO or a device, and the program then cannot end; a folder it would list on the
    // audience screen. Only regular files are pages (a missing one gets the browser's
    // error page).
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        if (QFileInfo::exists(path) && !isRegularFile(path)) {
            throw ZulError(
                QStringLiteral("表示できません：%1（通常のファイルではありません）").arg(path));
        }
    }
    currentUrl_ = url;
    if (!view_) {
        if (currentUrl_ == blankUrl()) {
            return;
        }
        createEngine();
    }
    view_->setUrl(currentUrl_);
}

void WebView::createEngine() {
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    // A profile without a name is off the record: no cache, cookies or history on disk.
    profile_ = std::make_unique<QWebEngineProfile>();
    connect(profile_.get(), &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                download->cancel();
                emit downloadRefused(download->url());
            });
    page_ = std::make_unique<SingleWindowPage>(profile_.get(), [this] { emit newWindowRefused(); });
    // A display plays a page's videos without anyone clicking them.
    page_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);

    view_ = std::make_unique<QWebEngineView>(this);
    view_->setPage(page_.get());
    view_->setGeometry(QRect(QPoint(0, 0), engineSizeFor(size())));
    connect(view_.get(), &QWebEngineView::loadFinished, this, &WebView::loadFinished);
    view_->show();
}

QSize WebView::engineSize() const {
    return view_ ? view_->size() : QSize();
}

QSize WebView::engineSizeFor(QSize viewer) const {
    const QScreen* shown = screen();
    if (shown == nullptr) {
        return viewer;
    }
    return viewer.boundedTo(shown->virtualSize() + QSize(kScrollBarRoom, kScrollBarRoom));
}

void WebView::fitEngine() {
    engineFit_.stop();
    if (!view_ || !isVisible()) {
        return;
    }
    const QSize fitted = engineSizeFor(size());
    if (view_->size() != fitted) {
        view_->setGeometry(QRect(QPoint(0, 0), fitted));
        ++engineResizes_;
    }
}

void WebView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (view_ && !engineFit_.isActive()) {
        engineFit_.start();
    }
}

void WebView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A viewer that appears shows its page at its own size at once.
    fitEngine();
}

}  // namespace zul
