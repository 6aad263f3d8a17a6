#include "commands/directory_commands.h"

#include <optional>
#include <utility>

#include "commands/interpreter.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/cpu_load.h"
#include "platform/directory_listing.h"
#include "platform/paths.h"
#include "protocol/packets.h"
#include "services/status_broadcaster.h"

namespace zul {
namespace {

constexpr QChar kSeparator = QLatin1Char('/');
constexpr char kLineFeed = '\n';

// Text for a reply: a line feed inside it would end the packet early, so it becomes a
// blank.
QByteArray oneLine(QByteArray bytes) {
    bytes.replace(kLineFeed, ' ');
    return bytes;
}

QByteArray wireText(const QString& text) {
    return oneLine(cp932::encode(text));
}

QByteArray flag(bool on) {
    return on ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
}

// The name of a listed entry as it goes on the wire. A name with a line feed cannot travel
// in a packet, nor could the operator name it back, so it is left out of the list.
std::optional<QByteArray> entryNameOnWire(const QString& name, DebugLog& log) {
    if (name.contains(QLatin1Char(kLineFeed))) {
        QString shown = name;
        shown.replace(QLatin1Char(kLineFeed), QLatin1Char(' '));
        log.add(QStringLiteral("改行を含む名前は一覧に入れられません: %1").arg(shown));
        return std::nullopt;
    }
    int unmappable = 0;
    QByteArray bytes = cp932::encode(name, &unmappable);
    if (unmappable > 0) {
        log.add(QStringLiteral("名前にShift_JISで表せない文字があり、「?」に置き換えて送ります: %1")
                    .arg(name));
    }
    return bytes;
}

// Folder and mask of a listing request: the operand (a mask, "*.*" when empty, possibly
// behind a subfolder part with '\' or '/') joined to the base directory, split at its
// last separator.
struct ListRequest {
    QString folder;
    QString mask;
};

ListRequest listRequest(const QString& baseDir, const QByteArray& operand) {
    const QString mask = operand.isEmpty() ? QStringLiteral("*.*") : cp932::decode(operand);
    const QString pattern = joinBaseDir(baseDir, mask);
    const qsizetype cut = pattern.lastIndexOf(kSeparator);
    return {pattern.left(cut + 1), pattern.mid(cut + 1)};
}

std::vector<DirectoryEntry> listRequested(const Settings& settings, const PacketContext& p) {
    const ListRequest request = listRequest(settings.BaseDir.get(), p.operand());
    return listDirectory(request.folder, request.mask);
}

// CmdDirListGet: the plain files that match the mask, then the base directory twice (its
// name, then the end of the list).
void sendFileList(const DirectoryCommandContext& c, PacketContext& p) {
    if (p.connection == nullptr) {
        return;
    }
    for (const DirectoryEntry& entry : listRequested(c.settings, p)) {
        if (entry.kind != EntryKind::PlainFile) {
            continue;
        }
        if (const std::optional<QByteArray> name = entryNameOnWire(entry.name, c.log)) {
            p.reply(makePacket(Cmd::CmdDirListReceive, *name));
        }
    }
    const QByteArray baseDir = wireText(c.settings.BaseDir.get());
    p.reply(makePacket(Cmd::CmdDirNameGet, baseDir));
    p.reply(makePacket(Cmd::CmdFileListDone, baseDir));
}

// CmdDirListSend: every plain folder as a full path ("." left out, ".." as the parent),
// then the base directory.
void sendFolderList(const DirectoryCommandContext& c, PacketContext& p) {
    if (p.connection == nullptr) {
        return;
    }
    const QString baseDir = c.settings.BaseDir.get();
    const QString separator = baseDir.endsWith(kSeparator) ? QString() : QString(kSeparator);
    for (const DirectoryEntry& entry : listRequested(c.settings, p)) {
        if (entry.kind != EntryKind::PlainFolder || entry.name == QLatin1String(".")) {
            continue;
        }
        if (entry.name == QLatin1String("..")) {
            p.reply(makePacket(Cmd::CmdDirListReply, wireText(parentFolderOf(baseDir))));
        } else if (const std::optional<QByteArray> name = entryNameOnWire(entry.name, c.log)) {
            p.reply(makePacket(Cmd::CmdDirListReply, wireText(baseDir + separator) + *name));
        }
    }
    p.reply(makePacket(Cmd::CmdDirNameGet, wireText(baseDir)));
}

// The key as the operator must send it. A key that code page 932 cannot hold would turn
// into '?' characters that anybody could type, so no key matches it then.
std::optional<QByteArray> expectedKey(const Settings& settings) {
    int unmappable = 0;
    QByteArray key = cp932::encode(settings.remo_key.get(), &unmappable);
    if (unmappable > 0) {
        return std::nullopt;
    }
    return key;
}

QByteArray refusal() {
    return makePacket(Cmd::CmdMessage,
                      cp932::encode(u"フォルダ変更されません。パスワードがあいません"));
}

// CmdDirChange: "key,folder". The folder becomes the base directory, with exactly one
// trailing separator, when the key equals the hub's key byte for byte. An operand
// without a comma holds no key and is refused.
void changeBaseDir(const DirectoryCommandContext& c, PacketContext& p) {
    const QByteArray operand = p.operand();
    const qsizetype comma = operand.indexOf(',');
    const std::optional<QByteArray> key = expectedKey(c.settings);
    if (comma < 0 || !key || operand.left(comma) != *key) {
        p.reply(refusal());
        return;
    }
    QString folder = cp932::decode(QByteArrayView(operand).sliced(comma + 1));
    if (!folder.endsWith(kSeparator)) {
        folder += kSeparator;
    }
    c.settings.BaseDir.set(folder);
    p.reply(makePacket(Cmd::CmdMessage,
                       cp932::encode(u"フォルダ変更されました。->") + wireText(folder)));
    c.broadcaster.SendNotice(NoticeKind::DirectoryChanged);
}

// CmdDebugLog: every log line, first to last, one per packet.
void sendLog(const DirectoryCommandContext& c, PacketContext& p) {
    if (p.connection == nullptr) {
        return;
    }
    // A copy: sending may add lines to the log or empty it.
    const QByteArrayList lines = c.log.lines();
    for (const QByteArray& line : lines) {
        p.reply(makePacket(Cmd::CmdDebugLog, oneLine(line)));
    }
}

// CmdFontRequest: the caption look as CmdFontSend, then the caption position.
void sendCaptionSettings(const DirectoryCommandContext& c, PacketContext& p) {
    const Settings& s = c.settings;
    const SampleTextLook& look = s.SampleText;
    QByteArray operand;
    operand += QByteArray::number(look.fontSize.get()) + ' ';
    operand += QByteArray::number(look.fontColor.get()) + ' ';
    operand += QByteArray::number(look.backColor.get()) + ' ';
    operand += flag(s.ckStrScroll.get()) + ' ';
    operand += flag(s.ckStrHide.get()) + ' ';
    operand += flag(s.StrFlameCentered.get()) + ' ';
    operand += wireText(look.fontName.get());
    p.reply(makePacket(Cmd::CmdFontSend, operand));
    p.reply(makePacket(Cmd::CmdCaptionPosition, flag(s.ckTextPos.get())));
}

// CmdCpuLoadRequest: the load since the previous request. Without a connection the meter
// is not read, so an internal packet does not shorten the next operator's interval.
void sendCpuLoad(const DirectoryCommandContext& c, PacketContext& p) {
    if (p.connection == nullptr) {
        return;
    }
    p.reply(makePacket(Cmd::CmdCpuLoadReply, QByteArray::number(c.cpuMeter.ReadLoad())));
}

using HandlerBody = void (*)(const DirectoryCommandContext&, PacketContext&);

}  // namespace

QString parentFolderOf(const QString& baseDir) {
    QString parent = baseDir.left(baseDir.size() - 1);
    const qsizetype cut = parent.lastIndexOf(kSeparator);
    if (cut >= 0) {
        parent.truncate(cut);
    }
    return parent.isEmpty() ? QString(kSeparator) : parent;
}

void registerDirectoryCommands(Interpreter& interpreter, DirectoryCommandContext context) {
    const std::pair<Cmd, HandlerBody> handlers[] = {
        {Cmd::CmdDirListGet, sendFileList},         {Cmd::CmdDirListSend, sendFolderList},
        {Cmd::CmdDirChange, changeBaseDir},         {Cmd::CmdDebugLog, sendLog},
        {Cmd::CmdFontRequest, sendCaptionSettings}, {Cmd::CmdCpuLoadRequest, sendCpuLoad},
    };
    for (const auto& [command, body] : handlers) {
        interpreter.setHandler(command, [context, body](PacketContext& p) { body(context, p); });
    }
}

}  // namespace zul
