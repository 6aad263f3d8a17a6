#include "protocol/command_table.h"

#include <array>

#include "platform/cp932.h"

namespace zul {
namespace {

struct Row {
    Cmd cmd;
    std::string_view identifier;
    const char* utf8Label;
};

// Labels are kept here as UTF-8 and converted to code page 932 once, on first use.
constexpr std::array<Row, kCommandCount> kRows = {{
    {Cmd::CmdMessage, "CmdMessage", "メッセージ転送"},
    {Cmd::CmdWallpaper, "CmdWallpaper", "壁紙指示"},
    {Cmd::CmdDirListGet, "CmdDirListGet", "ディレクトリリスト取得"},
    {Cmd::CmdDirListReceive, "CmdDirListReceive", "ディレクトリリスト受信"},
    {Cmd::CmdWebUpdateList, "CmdWebUpdateList", "Web更新リスト"},
    {Cmd::CmdTextUpdateList, "CmdTextUpdateList", "文字更新リスト"},
    {Cmd::CmdLineUpdate, "CmdLineUpdate", "1行更新"},
    {Cmd::CmdTimingUpdate, "CmdTimingUpdate", "タイミング設定更新"},
    {Cmd::CmdFontUpdate, "CmdFontUpdate", "フォント設定更新"},
    {Cmd::CmdSettingsLoad, "CmdSettingsLoad", "設定の遠隔読み込み"},
    {Cmd::CmdIptalkPosition, "CmdIptalkPosition", "IPtalk位置設定"},
    {Cmd::CmdScreenAdjust, "CmdScreenAdjust", "画面位置補正"},
    {Cmd::CmdFileSetLoad, "CmdFileSetLoad", "ファイルセット読み込み"},
    {Cmd::CmdIptalkHide, "CmdIptalkHide", "IPtalkを隠す"},
    {Cmd::CmdPartUpdate, "CmdPartUpdate", "部品更新受付"},
    {Cmd::CmdListSend, "CmdListSend", "リスト送信(予約)"},
    {Cmd::CmdPartsLoadShow, "CmdPartsLoadShow", "部品ロードし表にだす"},
    {Cmd::CmdPartsInfo, "CmdPartsInfo", "部品情報受信"},
    {Cmd::CmdPartsClear, "CmdPartsClear", "部品を消す"},
    {Cmd::CmdLineUpdateStop, "CmdLineUpdateStop", "行更新停止"},
    {Cmd::CmdDebugLog, "CmdDebugLog", "デバッグログを呼ぶ"},
    {Cmd::CmdIptalkShow, "CmdIptalkShow", "IPtalkを表へ"},
    {Cmd::CmdStretch, "CmdStretch", "引き伸ばしフォロー"},
    {Cmd::CmdDirChange, "CmdDirChange", "遠隔ディレクトリ操作"},
    {Cmd::CmdDirNameGet, "CmdDirNameGet", "遠隔ディレクトリ名取得"},
    {Cmd::CmdAspect, "CmdAspect", "アスペクト比変更"},
    {Cmd::CmdPartValuesLoad, "CmdPartValuesLoad", "部品の値ファイル読み込み"},
    {Cmd::CmdFontRequest, "CmdFontRequest", "フォント設定受信要求"},
    {Cmd::CmdFontSend, "CmdFontSend", "フォント設定送信(予約)"},
    {Cmd::CmdFadeSetting, "CmdFadeSetting", "きれいな切り替え設定"},
    {Cmd::CmdFade, "CmdFade", "フェードイン・アウト"},
    {Cmd::CmdPptNext, "CmdPptNext", "パワポ：次画面へ"},
    {Cmd::CmdPptStop, "CmdPptStop", "パワポ：中断"},
    {Cmd::CmdPptStart, "CmdPptStart", "パワポ：開始"},
    {Cmd::CmdPptPageUp, "CmdPptPageUp", "パワポ：前ページ"},
    {Cmd::CmdPptPageDown, "CmdPptPageDown", "パワポ：後ページ"},
    {Cmd::CmdPptWidth, "CmdPptWidth", "パワポ：表示幅制御"},
    {Cmd::CmdFadeImage, "CmdFadeImage", "フェード切り替え画像読み込み"},
    {Cmd::CmdDirListSend, "CmdDirListSend", "ディレクトリリスト送信"},
    {Cmd::CmdDirListReply, "CmdDirListReply", "ディレクトリリスト受信"},
    {Cmd::CmdMirrorId, "CmdMirrorId", "ミラーループ回避検討"},
    {Cmd::CmdSettingsSave, "CmdSettingsSave", "設定の遠隔保存"},
    {Cmd::CmdSpeedUp, "CmdSpeedUp", "切り替え高速化"},
    {Cmd::CmdHideDisplay, "CmdHideDisplay", "表示機の画面表示を隠す"},
    {Cmd::CmdCpuLoadRequest, "CmdCpuLoadRequest", "CPU負荷率送信"},
    {Cmd::CmdCpuLoadReply, "CmdCpuLoadReply", "CPU負荷率受信"},
    {Cmd::CmdWorksheetLoad, "CmdWorksheetLoad", "ワークシート(CSV)読み込み"},
    {Cmd::CmdPartsHide, "CmdPartsHide", "部品を隠す"},
    {Cmd::CmdPartsShow, "CmdPartsShow", "部品を表に出す"},
    {Cmd::CmdPartsLoadHidden, "CmdPartsLoadHidden", "部品ロードするが隠す"},
    {Cmd::CmdWorksheetSend, "CmdWorksheetSend", "ワークシート(CSV)直接送信"},
    {Cmd::CmdWorksheetReceive, "CmdWorksheetReceive", "ワークシート(CSV)直接受信"},
    {Cmd::CmdChromaKey, "CmdChromaKey", "クロマキー指示"},
    {Cmd::CmdFileListDone, "CmdFileListDone", "ファイルリスト送受信完了通知"},
    {Cmd::CmdFramePosition, "CmdFramePosition", "表示枠（外側）位置変更"},
    {Cmd::CmdCaptionPosition, "CmdCaptionPosition", "文字枠表示位置指定"},
}};

// Row i must describe the command of byte 30 + i, so that lookups can index directly.
constexpr bool rowsInByteOrder() {
    for (int i = 0; i < kCommandCount; ++i) {
        if (commandByte(kRows[i].cmd) != kFirstCommandByte + i) {
            return false;
        }
    }
    return true;
}
static_assert(rowsInByteOrder());

std::array<CommandInfo, kCommandCount> buildTable() {
    std::array<CommandInfo, kCommandCount> table;
    for (int i = 0; i < kCommandCount; ++i) {
        const Row& row = kRows[i];
        table[i] = CommandInfo{i, commandByte(row.cmd), row.cmd, row.identifier,
                               cp932::encode(QString::fromUtf8(row.utf8Label))};
    }
    return table;
}

const std::array<CommandInfo, kCommandCount>& table() {
    static const std::array<CommandInfo, kCommandCount> t = buildTable();
    return t;
}

}  // namespace

std::span<const CommandInfo> commandTable() {
    return table();
}

const CommandInfo& commandInfo(Cmd cmd) {
    return table()[commandIndex(cmd)];
}

QString identifierText(const CommandInfo& info) {
    return QString::fromLatin1(info.identifier.data(),
                               static_cast<qsizetype>(info.identifier.size()));
}

const CommandInfo* commandByIdentifier(QStringView identifier) {
    for (const CommandInfo& info : table()) {
        if (identifier == identifierText(info)) {
            return &info;
        }
    }
    return nullptr;
}

const CommandInfo* commandByByte(int byte) {
    return isCommandByte(byte) ? &table()[byte - kFirstCommandByte] : nullptr;
}

const CommandInfo* commandByIndex(int index) {
    return index >= 0 && index < kCommandCount ? &table()[index] : nullptr;
}

std::optional<Cmd> commandFromByte(int byte) {
    if (!isCommandByte(byte)) {
        return std::nullopt;
    }
    return static_cast<Cmd>(byte);
}

QByteArray unknownCommandLabel() {
    static const QByteArray label = cp932::encode(u"不明なパケット(未処理)");
    return label;
}

QByteArray commandLabel(int byte) {
    const CommandInfo* info = commandByByte(byte);
    return info ? info->label : unknownCommandLabel();
}

int commandByteOf(QByteArrayView packet) {
    if (packet.isEmpty()) {
        return 0;
    }
    const int byte = static_cast<signed char>(packet.front());
    return isCommandByte(byte) ? byte : 0;
}

}  // namespace zul
