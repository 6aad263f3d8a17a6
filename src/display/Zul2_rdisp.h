#pragma once

// The display window: what the audience sees. One borderless window with the content area
// Panel1, in which exactly one viewer shows the background content (picture, Office
// document, PDF or web page), the caption line as a strip at its bottom or top edge, and
// the fade cover painted over everything. It also owns the update list timers.

#include <QByteArray>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "display/caption_strip.h"
#include "display/layout.h"

class QMenu;
class QScreen;

namespace zul {

class CoverOverlay;
class DebugLog;
class DisplayScreens;
class ErrorSink;
class ImpressShow;
class LineList;
class OfficeConverter;
class PacketConnection;
class PartTable;
class Worksheet;
class PacketExecutor;
class PdfView;
class PictureView;
class PresentationControl;
class StatusBroadcaster;
class TZUL_BackWind;
class WebView;
struct HubState;
struct Settings;

// Content kind by the file name's extension in ASCII lower case.
enum class ContentKind { Picture, Office, Pdf, Web };
ContentKind contentKindOf(const QString& name);

class TMainDisp : public QWidget {
    Q_OBJECT
public:
    struct Context {
        Settings& settings;
        HubState& hub;
        DebugLog& log;
        ErrorSink& errors;
        StatusBroadcaster& status;
        PacketExecutor& executor;
        OfficeConverter& converter;
        ImpressShow& impress;
        LineList& StrList;
        LineList& WebList;
        TZUL_BackWind& backWind;
        Worksheet& worksheet;
        QByteArray hostName;
    };

    explicit TMainDisp(Context ctx, QWidget* parent = nullptr);
    ~TMainDisp() override;

    // Whether the display role runs (the listener is open); some option handlers act
    // only then.
    std::function<bool()> displayOpen;
    // The pop-up menu item that gives the display machine its own operator console.
    std::function<void()> startOperatorRole;
    // CmdFade passes the fade on to the captioning program (the amount as the packet
    // carries it), unless IPtalk_sync says not to.
    std::function<void(qint32 amount)> passFadeToIptalk;

    // ---- content --------------------------------------------------------------------
    void ShowFile(const QByteArray& operand);
    void FormResize();
    void LayoutContentArea();
    void ClampContentArea();
    // After a settings file load: the caption restyled with the unscaled sample size and
    // the bottom-caption layout, whatever the caption position says.
    void restyleAfterSettingsLoad();

    // ---- slide shows ----------------------------------------------------------------
    // The operator's slide show commands and the presentation that Impress holds.
    PresentationControl& presentation() const { return *presentation_; }
    // The part of the Office viewer that can be seen, in screen coordinates: where a slide
    // show runs.
    QRect officeScreenRect() const;

    // ---- caption line ---------------------------------------------------------------
    void SetCaptionText(const QByteArray& text);
    void StrScTimerTimer();
    void CmdLineUpdate(const QByteArray& line);
    void CmdLineUpdateStop();
    void CmdFontUpdate(const QByteArray& operand);
    void CmdCaptionPosition(const QByteArray& operand);

    // ---- update lists ---------------------------------------------------------------
    void CmdWebUpdateList(const QByteArray& operand);
    void WebTimerTimer();
    void CmdTextUpdateList(const QByteArray& operand);
    void StrTimerTimer();
    void CmdTimingUpdate(const QByteArray& operand);

    // ---- cover, fades and options ---------------------------------------------------
    void CmdFadeSetting(const QByteArray& operand);
    void CmdFade(const QByteArray& operand);
    void CmdFadeImage(const QByteArray& operand);
    void CmdChromaKey(const QByteArray& operand);
    void CmdHideDisplay(const QByteArray& operand);
    // The hub's "単色カバーではなく絵を使用する": a cover picture chosen by hand.
    void loadCoverPicture(const QString& path);

    // ---- parts ----------------------------------------------------------------------
    // Loads a parts definition file into the part table; a second load while one runs is
    // dropped. Failures are reported by a log line and a status line.
    void LoadParts(const QByteArray& operand, bool show);
    // CmdPartUpdate: returns the number of parts changed (one notice goes out per part).
    int UpdatePart(const QByteArray& operand);
    QByteArrayList ListParts() const;
    void ClearParts();
    void ShowAllParts();
    void HideAllParts();
    // CmdPartValuesLoad: every record runs as a CmdPartUpdate packet with `connection`.
    void CmdPartValuesLoad(const QByteArray& operand, PacketConnection* connection);
    void SendTimeTimer();
    PartTable& parts() const { return *parts_; }
    QTimer& sendTime() { return SendTime; }

    // ---- frame ------------------------------------------------------------------------
    // One 10-pixel step of an edge of the content area, or of the window itself when
    // `moveFrame`.
    void adjustFrame(int edge, bool up, bool moveFrame);
    // F1 and the menu item: toggle the window frame.
    void W1Click();
    bool isSizeable() const { return sizeable_; }

    // Shows the window for the display role: covering its screen, or at its normal size
    // with the troubleshooting switch chkAllDisp.
    void showForDisplay();
    // The screens followed for the display role (the chosen screen, or the primary).
    DisplayScreens& screens() const { return *screens_; }
    void chkAllDispClick();
    // Fade switching or its colour changed by hand on the hub form.
    void ChangeWallClick();

    // ---- state for tests and the settings file ---------------------------------------
    QWidget* Panel1() const { return panel_; }
    PictureView* Image1() const { return image_; }
    WebView* WebPanel() const { return web_; }
    PdfView* OLEPanel() const { return office_; }
    PdfView* PDF() const { return pdf_; }
    CaptionStrip* StrFlame() const { return strip_; }
    QTimer& webTimer() { return WebTimer; }
    QTimer& strTimer() { return StrTimer; }
    QTimer& strScTimer() { return StrScTimer; }
    QTimer& bwindSync() { return bwind_sync; }
    const QByteArray& captionText() const { return caption_; }
    int scrollOffset() const { return scrollOffset_; }
    int opacity() const { return opacity_; }
    bool alphaBlend() const { return alphaBlend_; }
    int stripHeight() const { return stripHeight_; }
    // The viewer now shown (exactly one is visible).
    QWidget* visibleViewer() const;
    QMenu* popupMenu() const { return PopupMenu1; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void buildViewers();
    void bindSettings();
    void showOnly(QWidget* viewer);
    void restack();
    void showPicture(const QString& path);
    void showDocument(const QString& path, PdfView* viewer);
    void showByImpress(const QString& path);
    void showPresentationInViewer(const QString& path);
    void navigateAddress(const QString& entry);
    void setOpacity(int alpha);
    void bwind_syncTimer();
    void followWithBackground();
    void minimiseBackground();
    void restoreBackground();
    void FormActivate();
    void ckStrScrollClick();
    // Stops the scroll timer so that a scroll tick in progress does not restart it.
    void stopScrolling();
    void applyCaptionLook(int fontSize);
    void applyChromaKey();
    void HideDispClick();
    void placePanel(const QRect& rect);
    void coverScreen(QScreen* screen);
    void placeViewers(const ContentLayout& layout);
    QString resolveBase(const QByteArray& operand) const;

    Context ctx_;
    QWidget* panel_ = nullptr;
    PictureView* image_ = nullptr;
    WebView* web_ = nullptr;
    PdfView* office_ = nullptr;
    PdfView* pdf_ = nullptr;
    CaptionStrip* strip_ = nullptr;
    QWidget* PopUpWind = nullptr;
    CoverOverlay* overlay_ = nullptr;
    PartTable* parts_ = nullptr;
    PresentationControl* presentation_ = nullptr;
    // The presentation shown now (PresentationOpen), as a path.
    QString presentationPath_;
    QMenu* PopupMenu1 = nullptr;
    QTimer WebTimer;
    QTimer StrTimer;
    QTimer StrScTimer;
    QTimer bwind_sync;
    QTimer SendTime;
    QTimer chromaRefresh_;
    QByteArray caption_;
    int scrollOffset_ = 0;
    bool scrollStopped_ = false;
    int opacity_ = 255;
    bool alphaBlend_ = true;
    bool sizeable_ = false;
    DisplayScreens* screens_ = nullptr;
    int stripHeight_ = 0;
    bool panelFollowsWindow_ = true;
};

}  // namespace zul
