#pragma once

// The content viewers of the display window: pictures, PDF documents (also Office
// documents once converted to PDF) and web pages. Each fills its own rectangle, can be
// shown and hidden by the window, and reports bad input by throwing ZulError while keeping
// what it showed before.

#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <memory>

class QPdfDocument;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace zul {

class OfficeConverter;

// Draws one picture over a black background, placed by fitPicture() for the stretch and
// proportional options.
class PictureView : public QWidget {
    Q_OBJECT

public:
    explicit PictureView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    void clear();
    const QImage& image() const { return image_; }

    // Stretch to the viewer (on by default) and keep the aspect ratio (off by default).
    void setStretch(bool on);
    bool stretch() const { return stretch_; }
    void setProportional(bool on);
    bool proportional() const { return proportional_; }

    // Where the picture lands at the current size; empty when there is no picture.
    QRect drawnRect() const;

    // Reads a picture file. The format is recognised by content, so a misnamed picture
    // still loads; .emf and .wmf are drawn by `converter` into a PNG first (seconds on the
    // first use, see OfficeConverter). Only a regular file is read. Throws ZulError when the
    // file is missing, is no regular file, is too large or cannot be read as a picture.
    static QImage loadPicture(const QString& path, OfficeConverter& converter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pictureChanged();

    QImage image_;
    bool stretch_ = true;
    bool proportional_ = false;
    QPixmap scaled_;  // the picture at its drawn size, remade when that size changes
};

// Shows one page of a PDF document. The page is rendered into an image of the size it is
// drawn at and kept until the size, the page or the fit mode changes, so repaints cost
// nothing.
class PdfView : public QWidget {
    Q_OBJECT

public:
    enum class FitMode {
        Natural,  // the page's own size (points at 1/72 inch on this screen), top-left
        Stretch,  // exactly the part of the viewer that its parent does not clip
        Scale,    // the largest size that fits that part keeping the aspect ratio, centred
    };

    explicit PdfView(QWidget* parent = nullptr);
    ~PdfView() override;

    // Opens the document at `path` on its first page. Throws ZulError when it is missing or
    // not a readable PDF; the document shown before stays.
    void load(const QString& path);
    // Shows nothing (a black viewer).
    void clear();
    bool isLoaded() const { return document_ != nullptr; }
    const QString& fileName() const { return fileName_; }

    // Natural until set.
    void setFitMode(FitMode mode);
    FitMode fitMode() const { return fitMode_; }

    int pageCount() const;
    // Zero-based; 0 when nothing is loaded.
    int currentPage() const { return page_; }
    // Shows page `page` (zero-based). Returns false, and changes nothing, when there is no
    // such page.
    bool setPage(int page);

    // Where the page lands at the current size; empty when nothing is loaded.
    QRect drawnRect() const;
    // How many times a page was rasterised since construction.
    int renderCount() const { return renderCount_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize naturalSize() const;
    QSize pageShape() const;
    QRect pageArea() const;
    const QImage& pageImage(QSize deviceSize);
    void invalidate();

    std::unique_ptr<QPdfDocument> document_;
    QString fileName_;
    int page_ = 0;
    FitMode fitMode_ = FitMode::Natural;
    QImage rendered_;
    QSize renderedSize_;
    int renderedPage_ = -1;
    int renderCount_ = 0;
};

// A web browser that navigates to whatever text it is given, like an address box. The
// browser engine (a few hundred MB in its own processes) is created on the first navigation
// to a real page, not before. It refuses everything that would leave the viewer: requests
// of a page to open a new window, and downloads. It browses with a private profile that
// keeps nothing on disk.
//
// When run as root, the engine cannot start its sandbox; the viewer then sets
// QTWEBENGINE_DISABLE_SANDBOX=1 itself before the first engine starts.
//
// The engine draws into frame buffers of its view's size and keeps them a while for every
// size it was given. Its view therefore follows the viewer's size once per frame, however
// many layouts come meanwhile (a burst of font updates or settings loads), only while the
// viewer is shown (a hidden one is fitted when it appears), and never beyond the screens,
// with room for the scroll bars that the content area clips.
class WebView : public QWidget {
    Q_OBJECT

public:
    // The engine's view is resized at most once in this time.
    static constexpr int kEngineFrameMs = 16;
    // How far the engine's view may reach beyond the screens (the clipped scroll bars).
    static constexpr int kScrollBarRoom = 32;

    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    // Goes to `text`: a full URL as it is, an absolute local path as a file, "about:blank"
    // (or empty text) to an empty page, which unloads the current one. A local name that
    // is there but is no regular file (a folder, a FIFO, a device) is refused (ZulError).
    void navigate(const QString& text);
    // The address that navigate() makes of `text`.
    static QUrl urlFromText(const QString& text);

    bool hasEngine() const { return view_ != nullptr; }
    // The size of the engine's view (empty without an engine) and how many times it was
    // resized since the engine started.
    QSize engineSize() const;
    int engineResizes() const { return engineResizes_; }
    // The address of the last navigation.
    const QUrl& currentUrl() const { return currentUrl_; }

signals:
    // The engine finished loading a page (not emitted while there is no engine).
    void loadFinished(bool ok);
    void newWindowRefused();
    void downloadRefused(const QUrl& url);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createEngine();
    // The engine's view at the viewer's size, bounded by the screens.
    void fitEngine();
    QSize engineSizeFor(QSize viewer) const;

    QUrl currentUrl_;
    QTimer engineFit_;
    int engineResizes_ = 0;
    // Declared in the order of creation: the view goes first, the profile last, as the
    // engine requires.
    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<QWebEnginePage> page_;
    std::unique_ptr<QWebEngineView> view_;
};

}  // namespace zul
