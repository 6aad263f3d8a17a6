#include <gtest/gtest.h>

#include <QSet>

#include "platform/cp932.h"
#include "protocol/command_table.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

struct Row {
    int index;
    int byte;
    const char* identifier;
    const char* label;
};

// The 56 commands as the protocol defines them: index, byte, identifier, label.
const Row kDocumentTable[] = {
    {0, 30, "CmdMessage", "メッセージ転送"},
    {1, 31, "CmdWallpaper", "壁紙指示"},
    {2, 32, "CmdDirListGet", "ディレクトリリスト取得"},
    {3, 33, "CmdDirListReceive", "ディレクトリリスト受信"},
    {4, 34, "CmdWebUpdateList", "Web更新リスト"},
    {5, 35, "CmdTextUpdateList", "文字更新リスト"},
    {6, 36, "CmdLineUpdate", "1行更新"},
    {7, 37, "CmdTimingUpdate", "タイミング設定更新"},
    {8, 38, "CmdFontUpdate", "フォント設定更新"},
    {9, 39, "CmdSettingsLoad", "設定の遠隔読み込み"},
    {10, 40, "CmdIptalkPosition", "IPtalk位置設定"},
    {11, 41, "CmdScreenAdjust", "画面位置補正"},
    {12, 42, "CmdFileSetLoad", "ファイルセット読み込み"},
    {13, 43, "CmdIptalkHide", "IPtalkを隠す"},
    {14, 44, "CmdPartUpdate", "部品更新受付"},
    {15, 45, "CmdListSend", "リスト送信(予約)"},
    {16, 46, "CmdPartsLoadShow", "部品ロードし表にだす"},
    {17, 47, "CmdPartsInfo", "部品情報受信"},
    {18, 48, "CmdPartsClear", "部品を消す"},
    {19, 49, "CmdLineUpdateStop", "行更新停止"},
    {20, 50, "CmdDebugLog", "デバッグログを呼ぶ"},
    {21, 51, "CmdIptalkShow", "IPtalkを表へ"},
    {22, 52, "CmdStretch", "引き伸ばしフォロー"},
    {23, 53, "CmdDirChange", "遠隔ディレクトリ操作"},
    {24, 54, "CmdDirNameGet", "遠隔ディレクトリ名取得"},
    {25, 55, "CmdAspect", "アスペクト比変更"},
    {26, 56, "CmdPartValuesLoad", "部品の値ファイル読み込み"},
    {27, 57, "CmdFontRequest", "フォント設定受信要求"},
    {28, 58, "CmdFontSend", "フォント設定送信(予約)"},
    {29, 59, "CmdFadeSetting", "きれいな切り替え設定"},
    {30, 60, "CmdFade", "フェードイン・アウト"},
    {31, 61, "CmdPptNext", "パワポ：次画面へ"},
    {32, 62, "CmdPptStop", "パワポ：中断"},
    {33, 63, "CmdPptStart", "パワポ：開始"},
    {34, 64, "CmdPptPageUp", "パワポ：前ページ"},
    {35, 65, "CmdPptPageDown", "パワポ：後ページ"},
    {36, 66, "CmdPptWidth", "パワポ：表示幅制御"},
    {37, 67, "CmdFadeImage", "フェード切り替え画像読み込み"},
    {38, 68, "CmdDirListSend", "ディレクトリリスト送信"},
    {39, 69, "CmdDirListReply", "ディレクトリリスト受信"},
    {40, 70, "CmdMirrorId", "ミラーループ回避検討"},
    {41, 71, "CmdSettingsSave", "設定の遠隔保存"},
    {42, 72, "CmdSpeedUp", "切り替え高速化"},
    {43, 73, "CmdHideDisplay", "表示機の画面表示を隠す"},
    {44, 74, "CmdCpuLoadRequest", "CPU負荷率送信"},
    {45, 75, "CmdCpuLoadReply", "CPU負荷率受信"},
    {46, 76, "CmdWorksheetLoad", "ワークシート(CSV)読み込み"},
    {47, 77, "CmdPartsHide", "部品を隠す"},
    {48, 78, "CmdPartsShow", "部品を表に出す"},
    {49, 79, "CmdPartsLoadHidden", "部品ロードするが隠す"},
    {50, 80, "CmdWorksheetSend", "ワークシート(CSV)直接送信"},
    {51, 81, "CmdWorksheetReceive", "ワークシート(CSV)直接受信"},
    {52, 82, "CmdChromaKey", "クロマキー指示"},
    {53, 83, "CmdFileListDone", "ファイルリスト送受信完了通知"},
    {54, 84, "CmdFramePosition", "表示枠（外側）位置変更"},
    {55, 85, "CmdCaptionPosition", "文字枠表示位置指定"},
};

}  // namespace

TEST(CommandTable, MatchesTheDocumentRowByRow) {
    ASSERT_EQ(std::size(kDocumentTable), static_cast<std::size_t>(kCommandCount));
    ASSERT_EQ(commandTable().size(), static_cast<std::size_t>(kCommandCount));
    for (const Row& row : kDocumentTable) {
        SCOPED_TRACE(row.identifier);
        const CommandInfo& info = commandTable()[row.index];
        EXPECT_EQ(info.index, row.index);
        EXPECT_EQ(info.byte, row.byte);
        EXPECT_EQ(commandByte(info.cmd), row.byte);
        EXPECT_EQ(commandIndex(info.cmd), row.index);
        EXPECT_EQ(info.identifier, row.identifier);
        EXPECT_EQ(info.label.toHex(), sj(row.label).toHex());
        // Every label character exists in code page 932 (no '?' substitutes).
        EXPECT_EQ(cp932::decode(info.label), QString::fromUtf8(row.label));
        EXPECT_EQ(commandLabel(row.byte), info.label);
    }
}

TEST(CommandTable, LookupsByByteIndexAndCommandAgree) {
    for (const CommandInfo& info : commandTable()) {
        SCOPED_TRACE(info.byte);
        ASSERT_NE(commandByByte(info.byte), nullptr);
        EXPECT_EQ(commandByByte(info.byte), &info);
        EXPECT_EQ(commandByIndex(info.index), &info);
        EXPECT_EQ(&commandInfo(info.cmd), &info);
        EXPECT_EQ(commandFromByte(info.byte), info.cmd);
    }
    for (int outside : {-1, 0, 29, 86, 255}) {
        EXPECT_EQ(commandByByte(outside), nullptr) << outside;
        EXPECT_EQ(commandFromByte(outside), std::nullopt) << outside;
        EXPECT_EQ(commandLabel(outside), sj("不明なパケット(未処理)")) << outside;
    }
    EXPECT_EQ(commandByIndex(-1), nullptr);
    EXPECT_EQ(commandByIndex(kCommandCount), nullptr);
}

TEST(CommandTable, CommandByteOfAPacket) {
    struct Case {
        QByteArray packet;
        int byte;
    };
    const Case cases[] = {
        {QByteArray(), 0},
        {QByteArray(1, char(29)), 0},
        {QByteArray(1, char(30)), 30},
        {QByteArray("\x24") + sj("あいう"), 36},
        {QByteArray(1, char(85)), 85},
        {QByteArray(1, char(86)), 0},
        {QByteArray(1, char(200)), 0},  // read as -56
        {QByteArray(1, char(0)), 0},
        {QByteArray("\n"), 0},
        {QByteArray(1, char(0x81)) + char(0x40), 0},  // a lead byte as first byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(commandByteOf(c.packet), c.byte) << c.packet.toHex().constData();
    }
}
