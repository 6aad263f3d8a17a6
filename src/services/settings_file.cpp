#include "services/settings_file.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_extension.h"
#include "platform/number_text.h"
#include "platform/profile_file.h"

namespace zul {
namespace {

// Bounds of the numbers that the file gives the display window. A file is as untrusted as a
// packet: values far outside any screen would overflow the layout arithmetic. The content
// area may lie partly outside the window after frame adjustments, but never by more than a
// screen's size; a caption font of a thousand points is already taller than any screen.
constexpr int kMaxContentAreaPixels = 16384;
constexpr int kMaxCaptionFontSize = 1000;

// Typed reads with the form framework's conversions; every read takes the current value
// as its default, so a missing or damaged key never changes a setting.
class Reader {
public:
    explicit Reader(const ProfileFile& file) : file_(file) {}

    QByteArray raw(const char* section, const char* key) const {
        return file_.getString(QByteArrayView(section), QByteArrayView(key), QByteArrayView(""));
    }

    int integer(const char* section, const char* key, int def) const {
        QByteArray text = raw(section, key);
        if (text.isEmpty()) {
            return def;
        }
        return parseInteger(text).value_or(def);
    }

    // An integer limited to min..max (a value outside is taken as the nearest limit).
    int bounded(const char* section, const char* key, int def, int min, int max) const {
        return std::clamp(integer(section, key, def), min, max);
    }

    bool boolean(const char* section, const char* key, bool def) const {
        return integer(section, key, def ? 1 : 0) != 0;
    }

    ColorValue colour(const char* section, const char* key, ColorValue def) const {
        const auto v = parseFloat(raw(section, key));
        if (!v) {
            return def;
        }
        const double t = std::trunc(*v);
        if (t < -2147483648.0 || t > 2147483647.0) {
            return def;
        }
        return static_cast<ColorValue>(t);
    }

    QString string(const char* section, const char* key, const QString& def) const {
        const QByteArray d = cp932::encode(def);
        return cp932::decode(file_.getString(QByteArrayView(section), QByteArrayView(key), d));
    }

private:
    const ProfileFile& file_;
};

// Collects the keys in order; the first refused key marks the whole save as failed.
class Writer {
public:
    void put(const char* section, const char* key, const QByteArray& value) {
        if (!file_.writeString(QByteArrayView(section), QByteArrayView(key), value)) {
            ok_ = false;
        }
    }
    void integer(const char* section, const char* key, int value) {
        put(section, key, QByteArray::number(value));
    }
    void boolean(const char* section, const char* key, bool value) {
        put(section, key, value ? "1" : "0");
    }
    void colour(const char* section, const char* key, ColorValue value) {
        put(section, key, formatFloat(static_cast<double>(value)));
    }
    void string(const char* section, const char* key, const QString& value) {
        put(section, key, cp932::encode(value));
    }
    bool ok() const { return ok_; }
    const ProfileFile& file() const { return file_; }

private:
    ProfileFile file_;
    bool ok_ = true;
};

int fontSize(const Reader& r, const char* section, int current) {
    return r.bounded(section, "FontSize", current, -kMaxCaptionFontSize, kMaxCaptionFontSize);
}

// [Window]: the content area, each value bounded; the current values are the defaults.
QRect contentArea(const Reader& r, const QRect& current) {
    const auto bounded = [&r](const char* key, int def, int min) {
        const int max = kMaxContentAreaPixels;
        return r.bounded("Window", key, std::clamp(def, min, max), min, max);
    };
    const int far = -kMaxContentAreaPixels;
    return {bounded("Left", current.left(), far), bounded("Top", current.top(), far),
            bounded("Width", current.width(), 0), bounded("Height", current.height(), 0)};
}

}  // namespace

SettingsFile::SettingsFile(Settings& settings, DebugLog& log, Hooks hooks)
    : s_(settings), log_(log), hooks_(std::move(hooks)) {}

QString SettingsFile::withExtension(const QString& path) {
    // A name that already ends in ".rd1" in any case keeps its spelling: on this platform
    // "a.RD1" and "a.rd1" are different files.
    if (QFileInfo(path).suffix().compare(QLatin1String(kExtension), Qt::CaseInsensitive) == 0) {
        return path;
    }
    return replaceExtension(path, u".rd1");
}

bool SettingsFile::SaveSettingsFile(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    Writer w;
    const bool withNet = !s_.ChkNoDir();
    if (withNet) {
        w.integer("Server", "Port", s_.Port());
        w.string("Server", "BaseDir", s_.BaseDir());
        // Only once a screen was chosen: a file of a machine that never chose one keeps
        // its layout.
        if (!s_.Screen().isEmpty()) {
            w.string("Server", "Screen", s_.Screen());
        }
    }
    w.boolean("Server", "PPT_width", s_.PptChk());
    w.boolean("Server", "Stretch", s_.TransChk());
    w.boolean("Server", "Aspect", s_.AspectChk());
    w.boolean("Server", "SpeedUp", s_.SpeedUp());
    w.boolean("Server", "ChangeWall", s_.ChangeWall());
    w.colour("Server", "WallColor", s_.WallColor());
    w.boolean("Server", "HideDisp", s_.HideDisp());
    w.boolean("Server", "Transpent", s_.ckCrom());

    w.string("Font", "FontSet", s_.SampleText.fontName());
    w.integer("Font", "FontSize", s_.SampleText.fontSize());
    w.colour("Font", "FColor", s_.SampleText.fontColor());
    w.colour("Font", "BColor", s_.SampleText.backColor());
    w.boolean("Font", "Scroll", s_.ckStrScroll());
    w.boolean("Font", "Hidden", s_.ckStrHide());
    w.boolean("Font", "Align", s_.StrFlameCentered());
    w.boolean("Font", "PosTop", s_.ckTextPos());

    if (withNet) {
        w.integer("Client", "Port", s_.ClientPort());
        w.string("Client", "Host", s_.ClientName());
    }

    const QRect panel = s_.Panel1();
    w.integer("Window", "Top", panel.top());
    w.integer("Window", "Left", panel.left());
    w.integer("Window", "Height", panel.height());
    w.integer("Window", "Width", panel.width());

    // Without a display window: top -1, left -1, height 0, width 0.
    const QRect none(-1, -1, 0, 0);
    const QRect frame =
        hooks_.displayWindowFrame ? hooks_.displayWindowFrame().value_or(none) : none;
    w.integer("MainWindow", "Top", frame.top());
    w.integer("MainWindow", "Left", frame.left());
    w.integer("MainWindow", "Height", frame.height());
    w.integer("MainWindow", "Width", frame.width());

    w.boolean("IPtalk", "NoTouch", s_.Iptalk_notouch());
    w.boolean("IPtalk", "TopMost", s_.Iptalk_topmost());
    w.boolean("IPtalk", "LoadHide", s_.Iptalk_ldhide());
    w.boolean("IPtalk", "WipeSync", s_.IPtalk_sync());
    w.integer("IPtalk", "Top", s_.Iptalk_top());
    w.integer("IPtalk", "Left", s_.Iptalk_left());
    w.integer("IPtalk", "Height", s_.Iptalk_height());
    w.integer("IPtalk", "Width", s_.Iptalk_width());
    if (withNet) {
        w.integer("IPtalk", "SendCh", s_.IPtalkCh());
        w.boolean("Mirror", "MirrorRun", s_.MirrorSel());
        w.integer("Mirror", "Port", s_.MirrorPort());
        w.string("Mirror", "Host", s_.MirrorName());
        w.boolean("Web", "Run", s_.WebRemote());
        w.integer("Web", "Port", s_.WebPort());
        w.string("Web", "Key", s_.WebKey());
    }

    w.boolean("RUN", "ServerNow", s_.ckStart());
    w.boolean("RUN", "NoLoadDir", s_.ChkNoLoadDir());

    QString error;
    if (!w.ok() || !w.file().save(withExtension(path), &error)) {
        log_.add(QStringLiteral("PKT受信[S]:ファイルの保存失敗"));
        if (!error.isEmpty()) {
            log_.add(QStringLiteral("（%1: %2）").arg(withExtension(path), error));
        }
        return false;
    }
    return true;
}

void SettingsFile::LoadSettingsFile(const QString& path) {
    const ProfileFile file = ProfileFile::read(path);
    const Reader r(file);

    s_.ChkNoLoadDir.set(r.boolean("Run", "NoLoadDir", s_.ChkNoLoadDir()));
    if (!s_.ChkNoLoadDir()) {
        s_.Port.set(r.integer("Server", "Port", s_.Port()));
        s_.BaseDir.set(r.string("Server", "BaseDir", s_.BaseDir()));
        s_.Screen.set(r.string("Server", "Screen", s_.Screen()));
        s_.ChangeWall.set(r.boolean("Server", "ChangeWall", s_.ChangeWall()));
        s_.WallColor.set(r.colour("Server", "WallColor", s_.WallColor()));
        s_.HideDisp.set(r.boolean("Server", "HideDisp", s_.HideDisp()));
    }
    s_.TransChk.set(r.boolean("Server", "Stretch", s_.TransChk()));
    s_.AspectChk.set(r.boolean("Server", "Aspect", s_.AspectChk()));
    s_.SpeedUp.set(r.boolean("Server", "SpeedUp", s_.SpeedUp()));
    s_.ckCrom.set(r.boolean("Server", "Transpent", s_.ckCrom()));
    s_.PptChk.set(r.boolean("Server", "PPT_width", s_.PptChk()));

    SampleTextLook& look = s_.SampleText;
    look.fontName.set(r.string("Font", "FontSet", look.fontName()));
    look.fontSize.set(fontSize(r, "Font", look.fontSize()));
    look.fontColor.set(r.colour("Font", "FColor", look.fontColor()));
    look.backColor.set(r.colour("Font", "BColor", look.backColor()));
    s_.StrFlameCentered.set(r.boolean("Font", "Align", s_.StrFlameCentered()));
    s_.ckStrScroll.set(r.boolean("Font", "Scroll", s_.ckStrScroll()));
    s_.ckStrHide.set(r.boolean("Font", "Hidden", s_.ckStrHide()));
    s_.ckTextPos.set(r.boolean("Font", "PosTop", s_.ckTextPos()));

    // Files of older versions keep the caption look in [Form]; read last, they win.
    look.fontName.set(r.string("Form", "FontSet", look.fontName()));
    look.fontSize.set(fontSize(r, "Form", look.fontSize()));
    look.fontColor.set(r.colour("Form", "FColor", look.fontColor()));
    look.backColor.set(r.colour("Form", "BColor", look.backColor()));
    s_.StrFlameCentered.set(r.boolean("Form", "Alignment", s_.StrFlameCentered()));
    s_.ckStrScroll.set(r.boolean("Form", "Scroll", s_.ckStrScroll()));
    s_.ckStrHide.set(r.boolean("Form", "Hidden", s_.ckStrHide()));

    s_.ClientPort.set(r.integer("Client", "Port", s_.ClientPort()));
    s_.ClientName.set(r.string("Client", "Host", s_.ClientName()));

    s_.Panel1.set(contentArea(r, s_.Panel1()));

    s_.Iptalk_notouch.set(r.boolean("IPtalk", "NoTouch", s_.Iptalk_notouch()));
    s_.Iptalk_topmost.set(r.boolean("IPtalk", "TopMost", s_.Iptalk_topmost()));
    s_.Iptalk_ldhide.set(r.boolean("IPtalk", "LoadHide", s_.Iptalk_ldhide()));
    s_.IPtalk_sync.set(r.boolean("IPtalk", "WipeSync", s_.IPtalk_sync()));
    s_.Iptalk_top.set(r.integer("IPtalk", "Top", s_.Iptalk_top()));
    s_.Iptalk_left.set(r.integer("IPtalk", "Left", s_.Iptalk_left()));
    s_.Iptalk_height.set(r.integer("IPtalk", "Height", s_.Iptalk_height()));
    s_.Iptalk_width.set(r.integer("IPtalk", "Width", s_.Iptalk_width()));
    const int channel = r.integer("IPtalk", "SendCh", s_.IPtalkCh());
    if (channel >= s_.IPtalkCh.minimum() && channel <= s_.IPtalkCh.maximum()) {
        s_.IPtalkCh.set(channel);
    } else {
        log_.add(QStringLiteral("設定ファイルのIPtalk SendCh=%1 は範囲外のため無視しました。")
                     .arg(channel));
    }

    // The target first: ticking the switch connects at once while the display runs.
    s_.MirrorPort.set(r.integer("Mirror", "Port", s_.MirrorPort()));
    s_.MirrorName.set(r.string("Mirror", "Host", s_.MirrorName()));
    s_.MirrorSel.set(r.boolean("Mirror", "MirrorRun", s_.MirrorSel()));

    // The port and key first: switching the remote on starts it at once while the display runs.
    s_.WebPort.set(
        r.bounded("Web", "Port", s_.WebPort(), s_.WebPort.minimum(), s_.WebPort.maximum()));
    s_.WebKey.set(r.string("Web", "Key", s_.WebKey()));
    s_.WebRemote.set(r.boolean("Web", "Run", s_.WebRemote()));

    const bool startNow = r.boolean("Run", "ServerNow", false);
    s_.ChkNoLoadDir.set(r.boolean("Run", "NoLoadDir", s_.ChkNoLoadDir()));

    if (hooks_.restyleCaption) {
        hooks_.restyleCaption();
    }
    if (!s_.Iptalk_notouch()) {
        if (!s_.Iptalk_ldhide()) {
            if (hooks_.placeIptalk) {
                hooks_.placeIptalk();
            }
        } else if (hooks_.executePacket) {
            hooks_.executePacket(QByteArray("\x2b\n"));
        }
    }
    if (startNow && hooks_.startDisplayRole) {
        hooks_.startDisplayRole();
    }
}

}  // namespace zul
