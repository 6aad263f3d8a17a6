#pragma once

// The 56 commands of the packet protocol. A packet starts with its command byte, which is
// 30 + the command's index; any other first byte makes the packet unknown.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>
#include <span>
#include <string_view>

namespace zul {

enum class Cmd : quint8 {
    CmdMessage = 30,
    CmdWallpaper = 31,
    CmdDirListGet = 32,
    CmdDirListReceive = 33,
    CmdWebUpdateList = 34,
    CmdTextUpdateList = 35,
    CmdLineUpdate = 36,
    CmdTimingUpdate = 37,
    CmdFontUpdate = 38,
    CmdSettingsLoad = 39,
    CmdIptalkPosition = 40,
    CmdScreenAdjust = 41,
    CmdFileSetLoad = 42,
    CmdIptalkHide = 43,
    CmdPartUpdate = 44,
    CmdListSend = 45,
    CmdPartsLoadShow = 46,
    CmdPartsInfo = 47,
    CmdPartsClear = 48,
    CmdLineUpdateStop = 49,
    CmdDebugLog = 50,
    CmdIptalkShow = 51,
    CmdStretch = 52,
    CmdDirChange = 53,
    CmdDirNameGet = 54,
    CmdAspect = 55,
    CmdPartValuesLoad = 56,
    CmdFontRequest = 57,
    CmdFontSend = 58,
    CmdFadeSetting = 59,
    CmdFade = 60,
    CmdPptNext = 61,
    CmdPptStop = 62,
    CmdPptStart = 63,
    CmdPptPageUp = 64,
    CmdPptPageDown = 65,
    CmdPptWidth = 66,
    CmdFadeImage = 67,
    CmdDirListSend = 68,
    CmdDirListReply = 69,
    CmdMirrorId = 70,
    CmdSettingsSave = 71,
    CmdSpeedUp = 72,
    CmdHideDisplay = 73,
    CmdCpuLoadRequest = 74,
    CmdCpuLoadReply = 75,
    CmdWorksheetLoad = 76,
    CmdPartsHide = 77,
    CmdPartsShow = 78,
    CmdPartsLoadHidden = 79,
    CmdWorksheetSend = 80,
    CmdWorksheetReceive = 81,
    CmdChromaKey = 82,
    CmdFileListDone = 83,
    CmdFramePosition = 84,
    CmdCaptionPosition = 85,
};

inline constexpr int kCommandCount = 56;
inline constexpr int kFirstCommandByte = 30;
inline constexpr int kLastCommandByte = 85;

static_assert(kLastCommandByte - kFirstCommandByte + 1 == kCommandCount);
static_assert(static_cast<int>(Cmd::CmdCaptionPosition) == kLastCommandByte);

// One row of the command table.
struct CommandInfo {
    int index = 0;                 // 0..55
    int byte = kFirstCommandByte;  // 30..85
    Cmd cmd = Cmd::CmdMessage;
    std::string_view identifier;  // "CmdMessage" ... "CmdCaptionPosition"
    QByteArray label;             // Japanese label, code page 932, as written in the log
};

constexpr bool isCommandByte(int byte) {
    return byte >= kFirstCommandByte && byte <= kLastCommandByte;
}
constexpr int commandByte(Cmd cmd) {
    return static_cast<int>(cmd);
}
constexpr int commandIndex(Cmd cmd) {
    return commandByte(cmd) - kFirstCommandByte;
}

// All 56 rows in index order.
std::span<const CommandInfo> commandTable();

const CommandInfo& commandInfo(Cmd cmd);
// The row whose identifier is exactly `identifier` ("CmdLineUpdate"); nullptr when none is.
const CommandInfo* commandByIdentifier(QStringView identifier);
// The row's identifier as text.
QString identifierText(const CommandInfo& info);
// nullptr outside 30..85 / 0..55.
const CommandInfo* commandByByte(int byte);
const CommandInfo* commandByIndex(int index);
std::optional<Cmd> commandFromByte(int byte);

// Label written in the log for packets whose command byte is not one of the 56.
QByteArray unknownCommandLabel();

// The command's label, or the unknown label for a byte outside 30..85.
QByteArray commandLabel(int byte);

// The command byte of a received packet: its first byte read as a signed char (so bytes
// 128..255 are negative), 0 when that value lies outside 30..85 or the packet is empty.
int commandByteOf(QByteArrayView packet);

}  // namespace zul
