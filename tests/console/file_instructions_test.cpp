#include <gtest/gtest.h>

#include "console/file_instructions.h"
#include "test_support.h"

using namespace zul;
using enum FileInstruction;
using test::sj;

namespace {

std::string names(const std::vector<FileInstruction>& ids) {
    std::string out;
    for (FileInstruction id : ids) {
        out += fileInstruction(id).name;
        out += ' ';
    }
    return out;
}

}  // namespace

TEST(FileInstructions, TheButtonsAndTheirPackets) {
    const struct {
        FileInstruction id;
        const char* name;
        bool shown;
        std::optional<int> byte;
        bool requestsParts;
        bool enabledAtStart;
    } cases[] = {
        {sel_bg1, "sel_bg1", true, 31, false, false},
        {sel_txa, "sel_txa", true, 35, false, false},
        {sel_bga, "sel_bga", true, 34, false, false},
        {sel_rp1, "sel_rp1", true, 46, true, false},
        {sel_rp1h, "sel_rp1h", true, 79, true, false},
        {sel_bk, "sel_bk", true, 67, false, true},
        {sel_rd1, "sel_rd1", false, 39, false, false},
        {sel_rf1, "sel_rf1", false, 42, true, false},
        {sel_rv1, "sel_rv1", false, 56, false, false},
        {sel_csv, "sel_csv", false, 76, true, false},
        {sel_dp9, "sel_dp9", false, std::nullopt, false, true},
    };
    ASSERT_EQ(fileInstructions().size(), std::size(cases));
    for (const auto& c : cases) {
        const FileInstructionInfo& info = fileInstruction(c.id);
        EXPECT_STREQ(info.name, c.name);
        EXPECT_EQ(info.shown, c.shown) << c.name;
        EXPECT_EQ(info.command ? std::optional<int>(commandByte(*info.command)) : std::nullopt,
                  c.byte)
            << c.name;
        EXPECT_EQ(info.requestsParts, c.requestsParts) << c.name;
        EXPECT_EQ(info.enabledAtStart, c.enabledAtStart) << c.name;
    }
}

TEST(FileInstructions, TheExtensionDecidesTheEnabledButtonsAndTheDoubleClick) {
    const struct {
        QByteArray name;
        std::vector<FileInstruction> enabled;
        std::optional<FileInstruction> doubleClick;
    } cases[] = {
        {"SCORE.RP1", {sel_rp1, sel_rp1h}, sel_rp1},
        {"index.html", {sel_bg1, sel_bk}, sel_bg1},
        {"page.htm", {sel_bg1, sel_bk}, sel_bg1},
        {"draw.sxd", {sel_bg1, sel_txa}, sel_bg1},
        {"caption.txt", {sel_bg1, sel_txa}, std::nullopt},
        {"README", {sel_bg1, sel_txa}, std::nullopt},
        {"photo.JPEG", {sel_bg1, sel_bk}, sel_bg1},
        {"slides.ppt", {sel_bg1, sel_bk}, sel_bg1},
        {"talk.PPTX", {sel_bg1, sel_bk}, sel_bg1},
        {"slideshow.odp", {sel_bg1, sel_bk}, sel_bg1},
        {"talk.pps", {sel_bg1, sel_txa}, std::nullopt},
        {"old.gif", {sel_bg1, sel_bk}, sel_bg1},
        {"settings.rd1", {sel_rd1}, sel_rd1},
        {"a.b.csv", {sel_csv}, sel_csv},
        {"event.rf1", {sel_rf1}, sel_rf1},
        {"values.rv1", {sel_rv1}, sel_rv1},
        {"talk.dp9", {sel_dp9}, sel_dp9},
        {"list.rw1", {sel_bga}, sel_bga},
        {"setup.exe", {}, std::nullopt},
        {"archive.zip", {}, std::nullopt},
        {"zul_dbg.log", {}, std::nullopt},
        {sj("会場.BMP"), {sel_bg1, sel_bk}, sel_bg1},
        {sj("表.rp1.txt"), {sel_bg1, sel_txa}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(names(enabledInstructions(c.name)), names(c.enabled)) << c.name.toStdString();
        EXPECT_EQ(doubleClickInstruction(c.name), c.doubleClick) << c.name.toStdString();
    }
}

TEST(FileInstructions, TheMaskComesFromTheEntryPositionOrTheTypedText) {
    const QStringList entries = fileMaskEntries();
    const char* masks[] = {"*.*",   "*.rp1", "*.rf1", "*.rv1", "*.rd1", "*.htm*", "*.txt", "*.bmp",
                           "*.rw1", "*.dp9", "*.ppt", "*.xls", "*.doc", "*.sxd",  "*.csv"};
    ASSERT_EQ(entries.size(), 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(fileListMask(i, entries[i]), QByteArray(masks[i])) << i;
    }
    EXPECT_EQ(entries[5], QStringLiteral("ハイパーテキスト(*.htm;*.htm?)"));
    EXPECT_EQ(entries[14], QStringLiteral("ワークシート[CSVファイル] (*.csv)"));
    EXPECT_EQ(fileListMask(-1, QStringLiteral("*.jpg")), QByteArray("*.jpg"));
    EXPECT_EQ(fileListMask(-1, QStringLiteral("会場*.*")), sj("会場*.*"));
    EXPECT_EQ(fileListMask(15, QStringLiteral("x")), QByteArray("x"));
}

TEST(FileInstructions, FadeLevels) {
    const int levels[] = {0, 32, 64, 96, 128, 160, 192, 224, 255};
    for (int position = 0; position <= 8; ++position) {
        EXPECT_EQ(fadeLevel(position), levels[position]) << position;
    }
}
