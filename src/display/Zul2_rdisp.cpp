#include "display/Zul2_rdisp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QWindow>

#include "content/parts_files.h"
#include "content/web_list.h"
#include "display/Zul2_backwind.h"
#include "display/caption_logic.h"
#include "display/colour_key.h"
#include "display/display_screens.h"
#include "display/hot_corner.h"
#include "display/layout.h"
#include "display/part_table.h"
#include "display/presentation_control.h"
#include "display/viewers.h"
#include "external/slide_show.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/line_list.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/colour.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/office_converter.h"
#include "platform/paths.h"
#include "platform/regular_file.h"
#include "protocol/command_table.h"
#include "protocol/operand_files.h"
#include "protocol/operand_scan.h"
#include "protocol/packet_executor.h"
#include "protocol/packets.h"
#include "services/status_broadcaster.h"

namespace zul {

// Paints the cover over the whole display window while the window is faded: the audience
// sees the content blended into the cover colour or picture, as window opacity over the
// background window would show it, but without needing a compositing manager.
class CoverOverlay : public QWidget {
public:
    CoverOverlay(TZUL_BackWind& cover, QWidget* parent) : QWidget(parent), cover_(cover) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

    // 255 - opacity: how much of the cover shows.
    void setCoverAlpha(int alpha) {
        alpha_ = alpha;
        setVisible(alpha_ > 0);
        if (alpha_ > 0) {
            raise();
            repaint();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setOpacity(alpha_ / 255.0);
        cover_.paintCover(p, rect());
    }

private:
    TZUL_BackWind& cover_;
    int alpha_ = 0;
};

namespace {

const QStringList kPictureExtensions = {"bmp", "jpg", "jpeg", "ico", "emf", "wmf"};
const QStringList kOfficeExtensions = {"ppt", "pptx", "odp", "sxd", "doc", "xls"};

QString lowerSuffix(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (dot < 0 || dot < slash) {
        return {};
    }
    QString s = name.mid(dot + 1);
    for (QChar& c : s) {
        if (c.unicode() < 128) {
            c = c.toLower();
        }
    }
    return s;
}

// Interval values arrive from the network: keep them in the ranges the console offers.
int clampTiming(int value, int lo, int hi) {
    return std::clamp(value, lo, hi);
}

}  // namespace

ContentKind contentKindOf(const QString& name) {
    const QString ext = lowerSuffix(name);
    if (kPictureExtensions.contains(ext)) {
        return ContentKind::Picture;
    }
    if (kOfficeExtensions.contains(ext)) {
        return ContentKind::Office;
    }
    if (ext == QLatin1String("pdf")) {
        return ContentKind::Pdf;
    }
    return ContentKind::Web;
}

TMainDisp::TMainDisp(Context ctx, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ctx_(std::move(ctx)) {
    setObjectName(QStringLiteral("TMainDisp"));
    setWindowTitle(QStringLiteral("ZUL　表示画面"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    FormCreate();
}

TMainDisp::~TMainDisp() = default;

// ---- creation ---------------------------------------------------------------------------

void TMainDisp::buildViewers() {
    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("Panel1"));
    panel_->setAutoFillBackground(true);
    QPalette pal = panel_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    panel_->setPalette(pal);

    image_ = new PictureView(panel_);
    image_->setObjectName(QStringLiteral("Image1"));
    strip_ = new CaptionStrip(panel_);
    strip_->setObjectName(QStringLiteral("StrFlame"));
    web_ = new WebView(panel_);
    web_->setObjectName(QStringLiteral("WebPanel"));
    office_ = new PdfView(panel_);
    office_->setObjectName(QStringLiteral("OLEPanel"));
    office_->setFitMode(PdfView::FitMode::Scale);
    pdf_ = new PdfView(panel_);
    pdf_->setObjectName(QStringLiteral("PDF"));
    // Until the width option first changes, a page fits the viewer whole, keeping its
    // shape: at the document's own size it would sit in the corner or run off the screen.
    pdf_->setFitMode(PdfView::FitMode::Scale);

    parts_ = new PartTable(panel_);

    presentation_ =
        new PresentationControl({ctx_.hub, ctx_.log, ctx_.errors, ctx_.status, ctx_.impress,
                                 *office_, *pdf_, [this] { return officeScreenRect(); }},
                                this);
    // After the failure has been reported, and outside the helper's answer.
    connect(
        presentation_, &PresentationControl::impressFailed, this,
        [this](const QString& path) {
            guarded(ctx_.errors, [&] { showPresentationInViewer(path); });
        },
        Qt::QueuedConnection);

    auto* corner = new HotCorner(panel_);
    corner->setObjectName(QStringLiteral("PopUpWind"));
    corner->setGeometry(1, 1, 41, 41);
    PopUpWind = corner;

    PopupMenu1 = new QMenu(this);
    connect(corner, &HotCorner::pressed, PopupMenu1,
            [this](const QPoint& at) { PopupMenu1->popup(at); });
    // The pointer has usually left the corner while the menu was open.
    connect(PopupMenu1, &QMenu::aboutToHide, corner,
            [corner] { QTimer::singleShot(0, corner, &HotCorner::followPointer); });
    PopupMenu1->addAction(QStringLiteral("操作画面を出す(&C)"), this, [this] {
        if (startOperatorRole) {
            startOperatorRole();
        }
    });
    PopupMenu1->addAction(QStringLiteral("ウインドウ枠の切り替え(&W)"), this,
                          [this] { W1Click(); });

    overlay_ = new CoverOverlay(ctx_.backWind, this);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] { W1Click(); });
}

void TMainDisp::FormCreate() {
    buildViewers();
    screens_ = new DisplayScreens(ctx_.settings, ctx_.log, this);
    screens_->moveTo = [this](QScreen* screen) {
        if (isVisible() && !sizeable_) {
            coverScreen(screen);
        }
    };
    WebTimer.setInterval(1000);
    StrTimer.setInterval(1000);
    StrScTimer.setInterval(50);
    StrScTimer.setTimerType(Qt::PreciseTimer);
    bwind_sync.setInterval(450);
    chromaRefresh_.setInterval(500);
    auto guard = [this](auto work) {
        return [this, work] { guarded(ctx_.errors, [&] { (this->*work)(); }); };
    };
    connect(&WebTimer, &QTimer::timeout, this, guard(&TMainDisp::WebTimerTimer));
    connect(&StrTimer, &QTimer::timeout, this, guard(&TMainDisp::StrTimerTimer));
    connect(&StrScTimer, &QTimer::timeout, this, guard(&TMainDisp::StrScTimerTimer));
    connect(&bwind_sync, &QTimer::timeout, this, guard(&TMainDisp::bwind_syncTimer));
    connect(&chromaRefresh_, &QTimer::timeout, this, guard(&TMainDisp::applyChromaKey));
    SendTime.setInterval(500);
    connect(&SendTime, &QTimer::timeout, this, guard(&TMainDisp::SendTimeTimer));
    connect(&ctx_.backWind, &TZUL_BackWind::activated, this, [this] {
        show();
        raise();
        activateWindow();
    });
    connect(&ctx_.backWind, &TZUL_BackWind::shownWithDisplay, this, [this] {
        show();
        setOpacity(255);
    });
    connect(&ctx_.backWind, &TZUL_BackWind::coverChanged, this, [this] {
        if (overlay_->isVisible()) {
            overlay_->update();
        }
    });

    web_->navigate(QStringLiteral("about:blank"));
    setGeometry(0, 0, 640, 480);
    placePanel(QRect(0, 0, width(), height()));
    ClampContentArea();
    LayoutContentArea();
    showOnly(image_);
    ctx_.backWind.setCoverColour(toQColor(ctx_.settings.WallColor()), false);
    bwind_sync.start();
    SendTime.start();
    strip_->setOwnText(
        QStringLiteral("ようこそZULへ[Ready] (host:%1)").arg(cp932::decode(ctx_.hostName)));
    bindSettings();
}

void TMainDisp::bindSettings() {
    Settings& s = ctx_.settings;
    image_->setStretch(s.TransChk());
    image_->setProportional(s.AspectChk());
    strip_->setCentered(s.StrFlameCentered());
    connect(&s.TransChk, &SettingBase::changed, this,
            [this] { image_->setStretch(ctx_.settings.TransChk()); });
    connect(&s.AspectChk, &SettingBase::changed, this,
            [this] { image_->setProportional(ctx_.settings.AspectChk()); });
    connect(&s.PptChk, &SettingBase::changed, this, [this] {
        const auto mode =
            ctx_.settings.PptChk() ? PdfView::FitMode::Stretch : PdfView::FitMode::Scale;
        office_->setFitMode(mode);
        pdf_->setFitMode(mode);
    });
    connect(&s.HideDisp, &SettingBase::changed, this, [this] { HideDispClick(); });
    connect(&s.ChangeWall, &SettingBase::changed, this, [this] { ChangeWallClick(); });
    // The cover shows the cover colour whoever sets it (a settings file, a command, the
    // hub's colour box); a cover picture stays over it.
    connect(&s.WallColor, &SettingBase::changed, this,
            [this] { ctx_.backWind.setCoverColour(toQColor(ctx_.settings.WallColor()), false); });
    connect(&s.ckCrom, &SettingBase::changed, this, [this] {
        if (displayOpen && displayOpen()) {
            ctx_.backWind.setCoverColour(toQColor(ctx_.settings.WallColor()), true);
            applyChromaKey();
        }
    });
    connect(&s.ckTextPos, &SettingBase::changed, this, [this] { LayoutContentArea(); });
    connect(&s.ckStrHide, &SettingBase::changed, this, [this] { LayoutContentArea(); });
    connect(&s.ckStrScroll, &SettingBase::changed, this, [this] { ckStrScrollClick(); });
    connect(&s.StrFlameCentered, &SettingBase::changed, this,
            [this] { strip_->setCentered(ctx_.settings.StrFlameCentered()); });
    connect(&s.chkAllDisp, &SettingBase::changed, this, [this] { chkAllDispClick(); });
    connect(&s.Panel1, &SettingBase::changed, this, [this] {
        if (panel_->geometry() != ctx_.settings.Panel1()) {
            placePanel(ctx_.settings.Panel1());
        }
    });
}

// ---- viewers and ShowFile ----------------------------------------------------------------

QWidget* TMainDisp::visibleViewer() const {
    for (QWidget* w : {static_cast<QWidget*>(image_), static_cast<QWidget*>(web_),
                       static_cast<QWidget*>(office_), static_cast<QWidget*>(pdf_)}) {
        if (!w->isHidden()) {
            return w;
        }
    }
    return nullptr;
}

void TMainDisp::showOnly(QWidget* viewer) {
    for (QWidget* w : {static_cast<QWidget*>(image_), static_cast<QWidget*>(web_),
                       static_cast<QWidget*>(office_), static_cast<QWidget*>(pdf_)}) {
        if (w != viewer) {
            w->hide();
        }
    }
    viewer->show();
    restack();
}

void TMainDisp::restack() {
    // The picture lies under the caption line, the parts (in slot order) and the hot
    // corner; the other viewers are separate windows on the content area and cover what
    // lies under them.
    image_->lower();
    strip_->raise();
    parts_->raiseAll();
    if (QWidget* viewer = visibleViewer(); viewer != nullptr && viewer != image_) {
        viewer->raise();
    }
    PopUpWind->raise();
}

QString TMainDisp::resolveBase(const QByteArray& operand) const {
    return joinBaseDir(ctx_.settings.BaseDir(), cp932::decode(operand));
}

void TMainDisp::ShowFile(const QByteArray& operand) {
    ctx_.status.SendStatusLine(cp932::encode(u"ファイルロードを準備中・・"), operand);
    QCoreApplication::processEvents();
    ctx_.hub.Current.CurBackground = operand;
    const QString path = resolveBase(operand);
    if (!ctx_.hub.FromWebList) {
        WebTimer.stop();
    }
    FormResize();
    // A slide show of the previous presentation ends with the next file.
    presentation_->ClosePresentation();
    ctx_.hub.PresentationOpen = false;
    presentationPath_.clear();
    switch (contentKindOf(path)) {
        case ContentKind::Picture:
            showPicture(path);
            break;
        case ContentKind::Office: {
            const QString ext = lowerSuffix(path);
            if (ctx_.settings.CkPptOleControl() && isImpressShowExtension(ext)) {
                showByImpress(path);
            } else {
                showDocument(ctx_.converter.toPdf(path), office_);
            }
            if (isPresentationExtension(ext)) {
                ctx_.hub.PresentationOpen = true;
                presentationPath_ = path;
            }
            break;
        }
        case ContentKind::Pdf:
            showDocument(path, pdf_);
            break;
        case ContentKind::Web:
            // The browser would list a folder or wait on a device: only files are pages.
            if (QFileInfo::exists(path) && !isRegularFile(path)) {
                throw ZulError(
                    QStringLiteral("表示できません：%1（通常のファイルではありません）").arg(path));
            }
            web_->navigate(path);
            showOnly(web_);
            break;
    }
    QCoreApplication::processEvents();
    ctx_.status.SendStatusLine(cp932::encode(u"ファイルのロードを完了しました。"), operand);
}

void TMainDisp::showPicture(const QString& path) {
    image_->setStretch(ctx_.settings.TransChk());
    image_->setProportional(ctx_.settings.AspectChk());
    if (!ctx_.settings.SpeedUp()) {
        web_->navigate(QStringLiteral("about:blank"));
    }
    const QImage picture = PictureView::loadPicture(path, ctx_.converter);
    image_->setImage(picture);
    showOnly(image_);
}

void TMainDisp::showDocument(const QString& path, PdfView* viewer) {
    viewer->load(path);
    showOnly(viewer);
}

// The show runs in Impress over the Office viewer, which stays empty beneath it.
void TMainDisp::showByImpress(const QString& path) {
    if (!isRegularFile(path)) {
        throw ZulError(QStringLiteral("ファイルが見つかりません：%1").arg(path));
    }
    office_->clear();
    showOnly(office_);
    ClampContentArea();
    presentation_->OpenPresentation(path);
}

// Impress could not show the presentation: the viewer shows it, if it is still the one shown.
void TMainDisp::showPresentationInViewer(const QString& path) {
    const auto stillShown = [this, &path] {
        return ctx_.hub.PresentationOpen && presentationPath_ == path &&
               !presentation_->byImpress();
    };
    if (!stillShown()) {
        return;
    }
    const QString pdf = ctx_.converter.toPdf(path);
    if (stillShown()) {
        showDocument(pdf, office_);
    }
}

QRect TMainDisp::officeScreenRect() const {
    const QRect seen = office_->geometry().intersected(panel_->rect());
    return {panel_->mapToGlobal(seen.topLeft()), seen.size()};
}

void TMainDisp::navigateAddress(const QString& entry) {
    // A relative name in the list is taken from the base directory; addresses with a
    // scheme and absolute paths go to the browser as they are.
    const QUrl url(entry);
    QString target = entry;
    if (!entry.isEmpty() && url.scheme().size() < 2 && !isAbsoluteName(entry)) {
        target = joinBaseDir(ctx_.settings.BaseDir(), entry);
    }
    web_->navigate(target.isEmpty() ? QStringLiteral("about:blank") : target);
    showOnly(web_);
}

// ---- layout ------------------------------------------------------------------------------

void TMainDisp::placePanel(const QRect& rect) {
    panel_->setGeometry(rect);
    LayoutContentArea();
    ctx_.settings.Panel1.set(panel_->geometry());
}

void TMainDisp::FormResize() {
    restoreBackground();
    bwind_sync.start();
    QRect r = panel_->geometry();
    r.moveTo(0, 0);
    panel_->setGeometry(r);
    ClampContentArea();
    LayoutContentArea();
}

void TMainDisp::ClampContentArea() {
    const QRect r = clampContentArea(panel_->geometry(), size());
    if (r != panel_->geometry()) {
        // A content area of another size is laid out again, as its resize would.
        const bool resized = r.size() != panel_->size();
        panel_->setGeometry(r);
        if (resized) {
            LayoutContentArea();
        }
    }
    ctx_.settings.Panel1.set(panel_->geometry());
}

void TMainDisp::LayoutContentArea() {
    const SampleTextLook& look = ctx_.settings.SampleText;
    const int size = captionFontSize(look.fontSize(), height());
    strip_->setLook(captionFont(look.fontName(), size), toQColor(look.fontColor()),
                    toQColor(look.backColor()));
    stripHeight_ = captionStripHeight(size, ctx_.settings.ckStrHide());
    const ContentLayout l = layoutContent(panel_->size(), stripHeight_, ctx_.settings.ckTextPos());
    placeViewers(l);
    overlay_->setGeometry(rect());
}

void TMainDisp::placeViewers(const ContentLayout& l) {
    web_->setGeometry(l.web);
    office_->setGeometry(l.web);
    pdf_->setGeometry(l.web);
    image_->setGeometry(l.picture);
    strip_->setGeometry(l.strip);
}

void TMainDisp::restyleAfterSettingsLoad() {
    const SampleTextLook& look = ctx_.settings.SampleText;
    strip_->setLook(captionFont(look.fontName(), look.fontSize()), toQColor(look.fontColor()),
                    toQColor(look.backColor()));
    stripHeight_ = captionStripHeight(look.fontSize(), ctx_.settings.ckStrHide());
    ClampContentArea();
    const ContentLayout l = layoutContent(panel_->size(), stripHeight_, false, true);
    placeViewers(l);
}

void TMainDisp::applyCaptionLook(int fontSize) {
    // The font update lays out with the positive size and a wide picture viewer.
    const SampleTextLook& look = ctx_.settings.SampleText;
    const int size = scaledFontSize(fontSize, height());
    strip_->setLook(captionFont(look.fontName(), size), toQColor(look.fontColor()),
                    toQColor(look.backColor()));
    stripHeight_ = captionStripHeight(size, ctx_.settings.ckStrHide());
    const ContentLayout l =
        layoutContent(panel_->size(), stripHeight_, ctx_.settings.ckTextPos(), true);
    placeViewers(l);
}

// ---- caption line ------------------------------------------------------------------------

void TMainDisp::SetCaptionText(const QByteArray& text) {
    strip_->blank();
    caption_ = text;
    if (!ctx_.settings.ckStrScroll()) {
        strip_->setOwnText(cp932::decode(text));
    }
}

void TMainDisp::StrScTimerTimer() {
    StrScTimer.stop();
    const QString text = cp932::decode(caption_);
    const int x = strip_->width() + scrollOffset_;
    strip_->drawScrolling(text + QStringLiteral("　"), x);
    if (strip_->textWidth(text) + 10 < -x) {
        scrollOffset_ = 0;
        const NextCaption next =
            takeNextScrollLine(ctx_.StrList, ctx_.hub.TextIndex, ctx_.hub.LineAppend);
        if (next.stop) {
            caption_.clear();
            strip_->blank();
            return;
        }
        SetCaptionText(next.text);
    } else {
        scrollOffset_ -= ctx_.hub.ScrollStep;
    }
    // What runs meanwhile may end scrolling (a stop, the switch turned off, a standing
    // line); then the tick does not start it again.
    scrollStopped_ = false;
    QCoreApplication::processEvents();
    if (!scrollStopped_) {
        StrScTimer.start();
    }
}

void TMainDisp::stopScrolling() {
    scrollStopped_ = true;
    StrScTimer.stop();
}

void TMainDisp::CmdLineUpdate(const QByteArray& line) {
    if (!ctx_.settings.ckStrScroll()) {
        StrTimer.stop();
        stopScrolling();
        SetCaptionText(line);
    } else {
        if (ctx_.hub.LineAppend == 0) {
            // A new queue starts from its first line, wherever the list stood.
            ctx_.StrList.clear();
            ctx_.hub.TextIndex = -1;
        }
        ctx_.StrList.append(line);
        StrTimer.stop();
        if (!StrScTimer.isActive()) {
            StrScTimer.start();
        }
    }
    ctx_.hub.LineAppend = 1;
}

void TMainDisp::CmdLineUpdateStop() {
    StrTimer.stop();
    stopScrolling();
}

void TMainDisp::ckStrScrollClick() {
    if (ctx_.settings.ckStrScroll()) {
        ctx_.hub.TextIndex = -1;
        StrTimer.stop();
        StrScTimer.start();
    } else {
        StrTimer.start();
        stopScrolling();
        scrollOffset_ = caption_.isEmpty() ? 0 : -strip_->width();
    }
}

void TMainDisp::CmdFontUpdate(const QByteArray& operand) {
    OperandScanner in(operand);
    const auto size = in.number();
    const auto fontColour = in.number();
    const auto backColour = in.number();
    const auto scroll = in.number();
    const auto hide = in.number();
    const auto centre = in.number();
    std::optional<QByteArray> name;
    if (in.skipOne()) {
        name = in.until(",\t");
    }
    Settings& s = ctx_.settings;
    auto nonNegative = [](const std::optional<qint32>& v) { return v && *v >= 0; };
    if (nonNegative(size)) {
        s.SampleText.fontSize.set(*size);
    }
    if (nonNegative(fontColour)) {
        s.SampleText.fontColor.set(*fontColour);
    }
    if (nonNegative(backColour)) {
        s.SampleText.backColor.set(*backColour);
    }
    if (nonNegative(scroll)) {
        s.ckStrScroll.set(*scroll == 1);
    }
    if (nonNegative(hide)) {
        s.ckStrHide.set(*hide == 1);
    }
    if (nonNegative(centre)) {
        s.StrFlameCentered.set(*centre == 1);
    }
    if (name && name->size() >= 2) {
        s.SampleText.fontName.set(cp932::decode(*name));
    }
    applyCaptionLook(std::abs(s.SampleText.fontSize()));
}

void TMainDisp::CmdCaptionPosition(const QByteArray& operand) {
    ctx_.settings.ckTextPos.set(firstNumber(operand).value_or(0) != 0);
}

// ---- update lists ------------------------------------------------------------------------

void TMainDisp::CmdWebUpdateList(const QByteArray& operand) {
    const QString path = operandFilePath(OperandFile::WebList, NameRule::AbsoluteOrJoin,
                                         ctx_.settings.BaseDir(), operand);
    ctx_.hub.Current.CurBackground = operand;
    ctx_.WebList.setLines(readWebList(path));
    ctx_.hub.WebIndex = -1;
    image_->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    WebTimer.setInterval(ctx_.hub.WebSeconds * 1000);
    WebTimer.start();
    // A list named by a file set that the rotation itself runs continues at the next tick:
    // showing its first entry now would run the rotation inside itself, and a file set and
    // a list that name each other would recurse without end.
    if (ctx_.hub.FromWebList) {
        return;
    }
    WebTimerTimer();
}

void TMainDisp::WebTimerTimer() {
    WebTimer.stop();
    HubState& hub = ctx_.hub;
    ++hub.WebIndex;
    if (hub.WebIndex >= ctx_.WebList.size()) {
        hub.WebIndex = 0;
    }
    if (ctx_.WebList.isEmpty()) {
        return;
    }
    const QByteArray entry = ctx_.WebList.at(hub.WebIndex);
    switch (webEntryKind(entry)) {
        case WebEntryKind::Background:
            ctx_.executor.ExecutePacket(makeInternalPacket(Cmd::CmdWallpaper, entry), nullptr);
            break;
        case WebEntryKind::Parts:
            ctx_.executor.ExecutePacket(makeInternalPacket(Cmd::CmdPartsLoadShow, entry), nullptr);
            break;
        case WebEntryKind::FileSet: {
            hub.FromWebList = true;
            const auto clear = qScopeGuard([&hub] { hub.FromWebList = false; });
            ctx_.executor.ExecutePacket(makeInternalPacket(Cmd::CmdFileSetLoad, entry), nullptr);
            break;
        }
        case WebEntryKind::Address:
            navigateAddress(cp932::decode(entry));
            break;
    }
    WebTimer.start();
}

void TMainDisp::CmdTextUpdateList(const QByteArray& operand) {
    const QString path = operandFilePath(OperandFile::TextList, NameRule::BaseJoin,
                                         ctx_.settings.BaseDir(), operand);
    ctx_.hub.Current.CurTextList = operand;
    ctx_.hub.LineAppend = 0;
    ctx_.StrList.setLines(cutLines(readTextLines(path), kMaxCaptionLineBytes));
    SetCaptionText(QByteArray());
    ctx_.hub.TextIndex = -1;
    StrTimer.setInterval(ctx_.hub.TextSeconds * 1000);
    StrScTimer.setInterval(ctx_.hub.ScrollMs);
    if (ctx_.settings.ckStrScroll()) {
        StrTimer.stop();
        StrScTimer.start();
    } else {
        StrTimer.start();
        stopScrolling();
    }
}

void TMainDisp::StrTimerTimer() {
    HubState& hub = ctx_.hub;
    ++hub.TextIndex;
    if (hub.TextIndex >= ctx_.StrList.size()) {
        hub.TextIndex = 0;
    }
    if (ctx_.StrList.isEmpty()) {
        StrTimer.stop();
        return;
    }
    SetCaptionText(ctx_.StrList.at(hub.TextIndex));
}

void TMainDisp::CmdTimingUpdate(const QByteArray& operand) {
    HubState& hub = ctx_.hub;
    OperandScanner in(operand);
    int* targets[] = {&hub.WebSeconds, &hub.TextSeconds, &hub.ScrollMs, &hub.ScrollStep};
    const int limits[][2] = {{1, 3600}, {1, 3600}, {10, 10000}, {1, 72}};
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && !in.skipOne()) {
            break;
        }
        const auto v = in.number();
        if (!v) {
            break;
        }
        *targets[i] = clampTiming(*v, limits[i][0], limits[i][1]);
    }
    auto setInterval = [](QTimer& t, int ms) {
        const bool running = t.isActive();
        t.setInterval(ms);
        if (running) {
            t.start();
        }
    };
    setInterval(StrTimer, hub.TextSeconds * 1000);
    setInterval(WebTimer, hub.WebSeconds * 1000);
    setInterval(StrScTimer, hub.ScrollMs);
}

// ---- cover, fades and options ------------------------------------------------------------

void TMainDisp::setOpacity(int alpha) {
    opacity_ = std::clamp(alpha, 0, 255);
    overlay_->setGeometry(rect());
    overlay_->setCoverAlpha(alphaBlend_ ? 255 - opacity_ : 0);
}

void TMainDisp::ChangeWallClick() {
    if (displayOpen && displayOpen()) {
        image_->clear();
        alphaBlend_ = ctx_.settings.ChangeWall();
        setOpacity(255);
    }
    ctx_.backWind.setCoverColour(toQColor(ctx_.settings.WallColor()), false);
}

void TMainDisp::CmdFadeSetting(const QByteArray& operand) {
    OperandScanner in(operand);
    const auto on = in.number();
    std::optional<qint32> colour;
    if (in.skipOne()) {
        colour = in.number();
    }
    Settings& s = ctx_.settings;
    s.ChangeWall.set(on.value_or(0) == 1);
    if (colour) {
        s.WallColor.set(*colour);
    }
    alphaBlend_ = s.ChangeWall();
    ctx_.backWind.setCoverColour(toQColor(s.WallColor()), true);
    setOpacity(opacity_);
}

void TMainDisp::CmdFade(const QByteArray& operand) {
    if (!ctx_.settings.ChangeWall()) {
        return;
    }
    const qint32 value = firstNumber(operand).value_or(0);
    setOpacity(value & 0xFF);
    if (!ctx_.settings.IPtalk_sync() && passFadeToIptalk) {
        passFadeToIptalk(value);
    }
    QCoreApplication::processEvents();
}

void TMainDisp::CmdFadeImage(const QByteArray& operand) {
    const QString path =
        operandFilePath(OperandFile::Picture, NameRule::BaseJoin, ctx_.settings.BaseDir(), operand);
    ctx_.settings.ChangeWall.set(true);
    ctx_.backWind.setCoverColour(toQColor(kColorWhite), false);
    ctx_.backWind.setCoverPicture(PictureView::loadPicture(path, ctx_.converter));
}

void TMainDisp::loadCoverPicture(const QString& path) {
    ctx_.backWind.setCoverPicture(PictureView::loadPicture(path, ctx_.converter));
    ctx_.settings.WallColor.set(kColorWhite);
    ctx_.settings.ChangeWall.set(true);
    ctx_.settings.Iptalk_topmost.set(true);
}

void TMainDisp::CmdChromaKey(const QByteArray& operand) {
    OperandScanner in(operand);
    const auto on = in.number();
    std::optional<qint32> colour;
    if (in.skipOne()) {
        colour = in.number();
    }
    ctx_.settings.ckCrom.set(on.value_or(0) == 1);
    if (colour) {
        ctx_.settings.WallColor.set(*colour);
    }
    ctx_.backWind.setCoverColour(toQColor(ctx_.settings.WallColor()), true);
    applyChromaKey();
}

void TMainDisp::applyChromaKey() {
    const bool on = ctx_.settings.ckCrom();
    const QColor key = toQColor(ctx_.settings.WallColor());
    ctx_.backWind.setColourKey(on, key);
    if (!on) {
        chromaRefresh_.stop();
        clearMask();
        return;
    }
    // Pixels of exactly the key colour let what lies behind the window show through.
    setMask(colourKeyRegion(grab().toImage(), key));
    if (!chromaRefresh_.isActive()) {
        chromaRefresh_.start();
    }
}

void TMainDisp::HideDispClick() {
    if (ctx_.settings.HideDisp()) {
        ctx_.backWind.hide();
        hide();
    } else if (displayOpen && displayOpen()) {
        ctx_.backWind.show();
        show();
    }
}

void TMainDisp::CmdHideDisplay(const QByteArray& operand) {
    const int n = firstNumber(operand).value_or(0);
    ctx_.settings.HideDisp.set(n == 1);
    if (n == 1) {
        hide();
    } else {
        show();
    }
}

// ---- parts -------------------------------------------------------------------------------

void TMainDisp::LoadParts(const QByteArray& operand, bool show) {
    const bool syncWasOn = bwind_sync.isActive();
    bwind_sync.stop();
    const auto restoreSync = qScopeGuard([this, syncWasOn] {
        if (syncWasOn) {
            bwind_sync.start();
        }
    });
    HubState& hub = ctx_.hub;
    if (hub.PartsLoading) {
        return;  // a load is running: this request is dropped
    }
    const QString path = operandFilePath(OperandFile::Parts, NameRule::AbsoluteOrJoin,
                                         ctx_.settings.BaseDir(), operand);
    hub.PartsLoading = true;
    SendTime.stop();
    hub.Current.CurParts = operand;
    try {
        parts_->reset();
        QCoreApplication::processEvents();
        const std::vector<PartRecord> records = readPartsForDisplay(path);
        for (std::size_t i = 0; i < records.size(); ++i) {
            parts_->applyRecord(static_cast<int>(i), records[i]);
            QCoreApplication::processEvents();
        }
        parts_->setVisibleAll(show);
        restack();
        ctx_.status.SendNotice(NoticeKind::PartsChanged);
    } catch (...) {
        parts_->reset();
        ctx_.log.add(QStringLiteral("部品ロードでエラー発生。部品ロードをやめました。"));
        ctx_.log.add(QStringLiteral("（%1）").arg(describeCurrentException()));
        try {
            ctx_.status.SendStatusLine(cp932::encode(u"部品ロードでエラー発生。"));
        } catch (...) {
            // The UDP socket reported its own failure.
        }
    }
    SendTime.start();
    hub.PartsLoading = false;
}

int TMainDisp::UpdatePart(const QByteArray& operand) {
    // Name, value and font colour end at the first three commas; the background colour
    // is the rest. Fewer than three commas: not a part update.
    QByteArrayList fields;
    qsizetype start = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype comma = operand.indexOf(',', start);
        if (comma < 0) {
            return 0;
        }
        fields << operand.mid(start, comma - start);
        start = comma + 1;
    }
    fields << operand.mid(start);
    for (QByteArray& f : fields) {
        if (f.isEmpty()) {
            f = " ";
        }
    }
    const int changed = parts_->update(fields[0], fields[1], fields[2], fields[3]);
    for (int i = 0; i < changed; ++i) {
        ctx_.status.SendNotice(NoticeKind::PartsChanged);
    }
    return changed;
}

QByteArrayList TMainDisp::ListParts() const {
    return parts_->list();
}

void TMainDisp::ClearParts() {
    ctx_.hub.Current.CurPartValues.clear();
    ctx_.hub.Current.CurParts.clear();
    parts_->clear();
    ctx_.status.SendNotice(NoticeKind::PartsChanged);
}

void TMainDisp::ShowAllParts() {
    parts_->setVisibleAll(true);
}

void TMainDisp::HideAllParts() {
    parts_->setVisibleAll(false);
}

void TMainDisp::CmdPartValuesLoad(const QByteArray& operand, PacketConnection* connection) {
    try {
        const QString path = operandFilePath(OperandFile::PartValues, NameRule::BaseJoin,
                                             ctx_.settings.BaseDir(), operand);
        ctx_.hub.Current.CurPartValues = operand;
        const QByteArrayList updates = readPartValueOperands(path);
        for (const QByteArray& update : updates) {
            ctx_.executor.ExecutePacket(makeInternalPacket(Cmd::CmdPartUpdate, update), connection);
        }
    } catch (...) {
        // The load ends here; a missing file reads as empty and gets here without an error.
        ctx_.log.add(QStringLiteral("部品の値ファイルのロードをやめました。（%1）")
                         .arg(describeCurrentException()));
    }
}

void TMainDisp::SendTimeTimer() {
    const bool syncWasOn = bwind_sync.isActive();
    bwind_sync.stop();
    parts_->refresh(QDateTime::currentDateTime(), &ctx_.worksheet);
    if (syncWasOn) {
        bwind_sync.start();
    }
}

// ---- frame and window --------------------------------------------------------------------

void TMainDisp::adjustFrame(int edge, bool up, bool moveFrame) {
    if (moveFrame) {
        // A maximised window stays where the window manager puts it.
        const QRect moved = adjustEdge(geometry(), edge, up);
        if (isMaximized()) {
            setWindowState(windowState() & ~Qt::WindowMaximized);
        }
        setGeometry(moved);
        ClampContentArea();
        // The caption font follows the window's height; the window manager may report the
        // new size only later.
        LayoutContentArea();
    } else {
        placePanel(adjustEdge(panel_->geometry(), edge, up));
        ClampContentArea();
    }
}

void TMainDisp::W1Click() {
    const QRect frame = geometry();
    sizeable_ = !sizeable_;
    setWindowFlag(Qt::FramelessWindowHint, !sizeable_);
    setGeometry(frame);
    show();
    if (sizeable_) {
        bwind_sync.start();
        placePanel(rect());
    } else {
        bwind_sync.stop();
    }
}

void TMainDisp::showForDisplay() {
    if (ctx_.settings.chkAllDisp()) {
        setWindowFlag(Qt::FramelessWindowHint, false);
        sizeable_ = true;
        showNormal();
    } else {
        if (QScreen* screen = screens_->target()) {
            setScreen(screen);
            setGeometry(screen->geometry());
        }
        // Marked maximised as well: window managers take an undecorated window of exactly
        // the screen's size for an old-style full-screen window, which they stack above the
        // windows that stay on top (IPtalk's) whenever it has the focus.
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        show();
        placePanel(rect());
    }
    raise();
    activateWindow();
}

void TMainDisp::coverScreen(QScreen* screen) {
    // A maximised window keeps its place: it is moved as a normal one and maximised again,
    // now on the other screen. A move to another X screen (not a sibling on the same
    // desktop) makes a new native window, which only shows when the window is hidden first.
    const Qt::WindowStates state = windowState();
    const bool shown = isVisible();
    const bool otherDesktop =
        this->screen() != nullptr && !this->screen()->virtualSiblings().contains(screen);
    if (shown && otherDesktop) {
        hide();
    }
    setWindowState(state & ~Qt::WindowMaximized);
    setScreen(screen);
    ctx_.backWind.setScreen(screen);
    setGeometry(screen->geometry());
    setWindowState(state);
    if (shown && !isVisible()) {
        show();
    }
    placePanel(rect());
}

void TMainDisp::chkAllDispClick() {
    if (!ctx_.settings.chkAllDisp()) {
        setWindowFlag(Qt::FramelessWindowHint, true);
        sizeable_ = false;
        showMaximized();
        placePanel(QRect(0, 0, width(), height()));
    } else {
        setWindowFlag(Qt::FramelessWindowHint, false);
        sizeable_ = true;
        showNormal();
        placePanel(QRect(0, 0, width() - 20, height()));
    }
}

void TMainDisp::bwind_syncTimer() {
    if (isMinimized()) {
        minimiseBackground();
        bwind_sync.stop();
        return;
    }
    restoreBackground();
    if (!isVisible()) {
        return;
    }
    followWithBackground();
}

void TMainDisp::minimiseBackground() {
    // A hidden background window stays hidden: it would come up minimised when shown.
    TZUL_BackWind& back = ctx_.backWind;
    if (back.isVisible() && !back.isMinimized()) {
        back.setWindowState(back.windowState() | Qt::WindowMinimized);
    }
}

void TMainDisp::restoreBackground() {
    TZUL_BackWind& back = ctx_.backWind;
    if (back.isMinimized()) {
        back.setWindowState(back.windowState() & ~Qt::WindowMinimized);
    }
}

void TMainDisp::FormActivate() {
    bwind_sync.start();
    restoreBackground();
}

void TMainDisp::followWithBackground() {
    TZUL_BackWind& back = ctx_.backWind;
    if (!back.isVisible()) {
        return;
    }
    if (back.geometry() != geometry()) {
        back.setGeometry(geometry());
    }
}

void TMainDisp::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    overlay_->setGeometry(rect());
    if (sizeable_) {
        placePanel(rect());
    }
    guarded(ctx_.errors, [this] { FormResize(); });
}

void TMainDisp::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    followWithBackground();
}

void TMainDisp::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        W1Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainDisp::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    bwind_sync.start();
    followWithBackground();
}

void TMainDisp::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Also when the window is minimised: the cover must not stay alone on the screen.
    bwind_sync.stop();
    minimiseBackground();
}

bool TMainDisp::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QWidget::event(event);
}

void TMainDisp::closeEvent(QCloseEvent* event) {
    // A show window of Impress would stay alone above everything.
    presentation_->ClosePresentation();
    ctx_.backWind.hide();
    QWidget::closeEvent(event);
}

}  // namespace zul
