#pragma once

// Every setting of both roles, each under the name of the hub form control that shows it.
// The hub form binds its widgets to these values both ways; the settings file, the
// interpreter and the windows read and write them here.

#include <QRect>
#include <QString>

#include "model/setting.h"
#include "platform/colour.h"
#include "protocol/screen_bounds.h"

namespace zul {

// The caption look kept by the hub's sample text: font, size in points (a negative size
// counts the whole character cell), font colour and background colour.
struct SampleTextLook {
    Setting<QString> fontName{QStringLiteral("ＭＳ Ｐゴシック")};
    RangedSetting fontSize{36, -kMaxFontPoints, kMaxFontPoints};
    Setting<ColorValue> fontColor{kSysColorWindowText};
    Setting<ColorValue> backColor{kSysColorWindow};
};

struct Settings {
    Settings() = default;
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Network and folders.
    RangedSetting Port{30000, 1, 65535};
    Setting<QString> BaseDir{QStringLiteral("c:\\")};
    Setting<QString> remo_key{QString()};
    Setting<bool> ChkNoLoadDir{false};
    Setting<bool> ChkNoTotalPath{true};
    Setting<QString> ClientName{QStringLiteral("localhost")};
    RangedSetting ClientPort{30000, 1, 65535};

    // Display options.
    Setting<bool> MoveFrame{false};
    Setting<bool> DspRem{false};
    Setting<bool> ChangeWall{true};
    Setting<ColorValue> WallColor{kColorWhite};
    Setting<bool> ckCrom{false};
    Setting<bool> TransChk{true};
    Setting<bool> AspectChk{false};
    Setting<bool> PptChk{true};
    Setting<bool> SpeedUp{false};
    Setting<bool> HideDisp{false};
    Setting<bool> CkPptOleControl{false};
    // The screen the display window covers, by its key (platform/screen_choice.h); empty
    // for the primary screen.
    Setting<QString> Screen{QString()};

    // Caption line.
    SampleTextLook SampleText;
    Setting<bool> ckStrScroll{false};
    Setting<bool> ckStrHide{false};
    Setting<bool> ckCenter{false};
    Setting<bool> ckTextPos{false};
    // Alignment of the display window's caption label (centred or left); set by ckCenter
    // and by the font command, saved as the caption alignment.
    Setting<bool> StrFlameCentered{false};

    // Captioning program cooperation. Iptalk_top holds the window's x, Iptalk_left its y.
    Setting<bool> Iptalk_topmost{false};
    Setting<bool> Iptalk_ldhide{false};
    Setting<bool> Iptalk_notouch{false};
    Setting<bool> IPtalk_sync{false};
    RangedSetting IPtalkCh{0, 0, 11};
    RangedSetting Iptalk_top{0, 0, 10000};
    RangedSetting Iptalk_left{0, 0, 10000};
    RangedSetting Iptalk_width{640, 0, 10000};
    RangedSetting Iptalk_height{480, 0, 10000};

    // Packet mirror.
    Setting<bool> MirrorSel{false};
    Setting<QString> MirrorName{QStringLiteral("localhost")};
    RangedSetting MirrorPort{30000, 0, 65535};

    // Browser remote: served by the display machine while its role runs.
    Setting<bool> WebRemote{false};
    RangedSetting WebPort{30080, 1, 65535};
    Setting<QString> WebKey{QString()};

    // Hub options.
    Setting<bool> ShowErr{false};
    Setting<bool> ckStart{false};
    Setting<bool> ChkNoDir{false};

    // Troubleshooting switches (not stored in the settings file).
    Setting<bool> chkIntrupt{false};
    Setting<bool> chkWatchDog{false};
    Setting<bool> chkAllDisp{false};
    Setting<bool> chkUDPkick{false};

    // The display window's content area (left, top, width, height in screen pixels).
    Setting<QRect> Panel1{QRect(0, 0, 1024, 768)};
};

// Text of a channel choice of IPtalkCh ("01Ch" .. "12Ch").
QString iptalkChannelText(int index);

}  // namespace zul
