#include "console/file_instructions.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "platform/cp932.h"

namespace zul {
namespace {

using enum FileInstruction;

constexpr std::array<FileInstructionInfo, 11> kInstructions{{
    {sel_bg1, "sel_bg1", "背景として指示", true, Cmd::CmdWallpaper, false, false},
    {sel_txa, "sel_txa", "文字自動更新", true, Cmd::CmdTextUpdateList, false, false},
    {sel_bga, "sel_bga", "背景自動更新", true, Cmd::CmdWebUpdateList, false, false},
    {sel_rp1, "sel_rp1", "部品表送信", true, Cmd::CmdPartsLoadShow, true, false},
    {sel_rp1h, "sel_rp1h", "部品裏送信", true, Cmd::CmdPartsLoadHidden, true, false},
    {sel_bk, "sel_bk", "画像読み込み", true, Cmd::CmdFadeImage, false, true},
    {sel_rd1, "sel_rd1", "設定ファイル送信", false, Cmd::CmdSettingsLoad, false, false},
    {sel_rf1, "sel_rf1", "ﾌｧｲﾙｾｯﾄ送信", false, Cmd::CmdFileSetLoad, true, false},
    {sel_rv1, "sel_rv1", "部品値　送信", false, Cmd::CmdPartValuesLoad, false, false},
    {sel_csv, "sel_csv", "ワークシート送信", false, Cmd::CmdWorksheetLoad, true, false},
    {sel_dp9, "sel_dp9", "IPtalk設定転送", false, std::nullopt, false, true},
}};

struct MaskEntry {
    const char* text;  // UTF-8
    const char* mask;
};

constexpr std::array<MaskEntry, 15> kMasks{{
    {"すべてのファイル(*.*)", "*.*"},
    {"部品ファイル(*.rp1)", "*.rp1"},
    {"ファイルセット(*.rf1)", "*.rf1"},
    {"部品の値ファイル(*.rv1)", "*.rv1"},
    {"設定ファイル(*.rd1)", "*.rd1"},
    {"ハイパーテキスト(*.htm;*.htm?)", "*.htm*"},
    {"テキストファイル(*.txt)", "*.txt"},
    {"ビットマップ(*.bmp)", "*.bmp"},
    {"Webリスト(*.rw1)", "*.rw1"},
    {"IPtalk設定(*.dp9)", "*.dp9"},
    {"Microsoft PowerPoint(*.ppt)", "*.ppt"},
    {"Microsoft Excel(*.xls)", "*.xls"},
    {"Microsoft Word(*.doc)", "*.doc"},
    {"SterOffice/OpenOffice Draw(*.sxd)", "*.sxd"},
    {"ワークシート[CSVファイル] (*.csv)", "*.csv"},
}};

bool isOneOf(QByteArrayView ext, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(),
                       [ext](const char* e) { return ext == QByteArrayView(e); });
}

// The extensions that both tables treat alike, one instruction each.
std::optional<FileInstruction> dataFileInstruction(QByteArrayView ext) {
    if (ext == ".rd1") {
        return sel_rd1;
    }
    if (ext == ".csv") {
        return sel_csv;
    }
    if (ext == ".rf1") {
        return sel_rf1;
    }
    if (ext == ".rp1") {
        return sel_rp1;
    }
    if (ext == ".rv1") {
        return sel_rv1;
    }
    if (ext == ".dp9") {
        return sel_dp9;
    }
    if (ext == ".rw1") {
        return sel_bga;
    }
    return std::nullopt;
}

}  // namespace

std::span<const FileInstructionInfo> fileInstructions() {
    return kInstructions;
}

const FileInstructionInfo& fileInstruction(FileInstruction id) {
    return kInstructions[static_cast<std::size_t>(id)];
}

QByteArray lowerExtension(QByteArrayView name) {
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0) {
        return {};
    }
    // A dot is never the second byte of a double-byte character, and folding ASCII letters
    // only cannot make a double-byte character equal an ASCII extension.
    return name.sliced(dot).toByteArray().toLower();
}

std::vector<FileInstruction> enabledInstructions(QByteArrayView name) {
    const QByteArray ext = lowerExtension(name);
    if (const auto only = dataFileInstruction(ext)) {
        if (*only == sel_rp1) {
            return {sel_rp1, sel_rp1h};
        }
        return {*only};
    }
    // The presentations of today (".pptx", ".odp") go with ".ppt".
    if (ext.startsWith(".ht") || isOneOf(ext, {".gif", ".bmp", ".jpeg", ".ppt", ".pptx", ".odp",
                                               ".doc", ".xls", ".pdf", ".jpg"})) {
        return {sel_bg1, sel_bk};
    }
    if (isOneOf(ext, {".exe", ".bat", ".pif", ".scr", ".com", ".dll", ".vxd", ".lib", ".log",
                      ".lzh", ".zip"})) {
        return {};
    }
    return {sel_bg1, sel_txa};
}

std::optional<FileInstruction> doubleClickInstruction(QByteArrayView name) {
    const QByteArray ext = lowerExtension(name);
    if (const auto data = dataFileInstruction(ext)) {
        return data;
    }
    if (ext.startsWith(".ht") || isOneOf(ext, {".gif", ".bmp", ".ppt", ".pptx", ".odp", ".pdf",
                                               ".xls", ".sxd", ".doc", ".jpeg", ".jpg"})) {
        return sel_bg1;
    }
    return std::nullopt;
}

QStringList fileMaskEntries() {
    QStringList entries;
    for (const MaskEntry& m : kMasks) {
        entries << QString::fromUtf8(m.text);
    }
    return entries;
}

QByteArray fileListMask(int index, const QString& text) {
    if (index >= 0 && index < static_cast<int>(kMasks.size())) {
        return kMasks[static_cast<std::size_t>(index)].mask;
    }
    return cp932::encode(text);
}

int fadeLevel(int position) {
    return position >= kFadeMaxPosition ? 255 : position * 32;
}

}  // namespace zul
