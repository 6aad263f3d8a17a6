#include "commands/reply_processor.h"

#include <optional>
#include <utility>

#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/cp932.h"
#include "protocol/command_table.h"
#include "protocol/connection.h"
#include "protocol/operand_scan.h"
#include "protocol/packets.h"
#include "protocol/receive_log.h"
#include "protocol/reply_formats.h"

namespace zul {
namespace {

template <typename Hook, typename... Args>
void call(const Hook& hook, Args&&... args) {
    if (hook) {
        hook(std::forward<Args>(args)...);
    }
}

// The operand as the replies read it: everything after the command byte, up to a NUL byte
// (the end of a text on the display machine's side).
QByteArray operandOf(const QByteArray& packet) {
    return untilNul(QByteArrayView(packet).sliced(qMin<qsizetype>(1, packet.size()))).toByteArray();
}

// A row's comma text as one packet field: a line feed inside a cell would end the packet
// early and make the rest a packet of its own.
QByteArray oneLine(QByteArray text) {
    text.replace('\n', ' ');
    return text;
}

template <typename T>
void setIfRead(Setting<T>& setting, const std::optional<qint32>& value) {
    if (value) {
        setting.set(static_cast<T>(*value));
    }
}

void setIfRead(RangedSetting& setting, const std::optional<qint32>& value) {
    if (value) {
        setting.set(*value);  // clamped to the setting's range
    }
}

void setFlagIfRead(Setting<bool>& setting, const std::optional<qint32>& value) {
    if (value) {
        setting.set(*value == 1);
    }
}

}  // namespace

QByteArrayView ReplyProcessor::folderChangedText() {
    static const QByteArray text = cp932::encode(u"フォルダ変更されました");
    return text;
}

ReplyProcessor::ReplyProcessor(ReplyContext context) : c_(std::move(context)) {}

void ReplyProcessor::ProcessReply(const QByteArray& packet, PacketConnection* connection) {
    // A copy: a hook that lets events run may see the caller's buffer reused.
    const QByteArray work(packet.constData(), packet.size());
    const QByteArray operand = operandOf(work);
    const ReplyWindows& w = c_.windows;
    switch (commandByteOf(work)) {
        case commandByte(Cmd::CmdMessage):
            message(operand);
            break;
        case commandByte(Cmd::CmdDirListReceive):
            if (fileLists_.current()) {
                call(w.fileListItem, operand);
            }
            break;
        case commandByte(Cmd::CmdPartsInfo):
            partsInfo(operand);
            break;
        case commandByte(Cmd::CmdDebugLog):
            call(w.errorLogLine, operand);
            break;
        case commandByte(Cmd::CmdDirNameGet):
            c_.settings.BaseDir.set(cp932::decode(operand));
            fileLists_.baseDirectoryArrived();
            break;
        case commandByte(Cmd::CmdFontSend):
            captionSettings(operand);
            break;
        case commandByte(Cmd::CmdDirListReply):
            if (fileLists_.current()) {
                call(w.folder, operand);
            }
            break;
        case commandByte(Cmd::CmdCpuLoadReply):
            cpuLoad(operand);
            break;
        case commandByte(Cmd::CmdWorksheetSend):
            sendWorksheet(connection);
            break;
        case commandByte(Cmd::CmdWorksheetReceive):
            receiveWorksheetRow(operand);
            break;
        case commandByte(Cmd::CmdFileListDone):
            call(w.fileListDone);
            break;
        case commandByte(Cmd::CmdCaptionPosition):
            captionPosition(operand);
            break;
        default:
            unhandled(work, connection);
            break;
    }
}

// CmdMessage: a chat line; the display machine's report of a changed base directory also
// brings the file list up to date.
void ReplyProcessor::message(const QByteArray& operand) {
    call(c_.windows.chatLine, operand);
    if (operand.startsWith(folderChangedText())) {
        call(c_.windows.refreshFileList);
    }
}

// CmdPartsInfo: "name,caption,font colour,background colour". Fewer than three commas: not
// a parts row.
void ReplyProcessor::partsInfo(const QByteArray& operand) {
    if (const std::optional<PartsInfoReply> row = parsePartsInfo(operand)) {
        call(c_.windows.partsInfo, row->name, row->caption, row->fontColour, row->backColour);
    }
}

// CmdFontSend: "size font-colour back-colour scroll hide centre name", the name running to
// a comma or a tab. The display machine's values are taken as they are, so the caption page
// shows them and can send them back; a value missing from a short reply keeps the hub's.
void ReplyProcessor::captionSettings(const QByteArray& operand) {
    const CaptionSettingsReply r = parseCaptionSettings(operand);
    const auto& [size, fontColour, backColour, scroll, hide, centre, name] = r;

    SampleTextLook& look = c_.settings.SampleText;
    if (name) {
        look.fontName.set(cp932::decode(*name));
    }
    setIfRead(look.fontSize, size);
    setIfRead(look.fontColor, fontColour);
    setIfRead(look.backColor, backColour);
    setFlagIfRead(c_.settings.ckStrScroll, scroll);
    setFlagIfRead(c_.settings.ckStrHide, hide);
    setFlagIfRead(c_.settings.ckCenter, centre);
}

// CmdCpuLoadReply: the gauge shows the load, and the display machine counts as answering
// again (the console looks at the unanswered requests first). A reply without a number is
// not an answer.
void ReplyProcessor::cpuLoad(const QByteArray& operand) {
    const std::optional<qint32> percent = firstNumber(operand);
    if (!percent) {
        return;
    }
    call(c_.windows.cpuLoad, *percent);
    c_.hub.CpuPending = 0;
}

// CmdWorksheetSend: the display machine asks for the worksheet; every data row goes back
// as "row comma-text".
void ReplyProcessor::sendWorksheet(PacketConnection* connection) {
    if (connection == nullptr) {
        return;
    }
    for (int row = 1; row < Worksheet::kRows; ++row) {
        const QByteArray text = oneLine(c_.worksheet.rowCommaText(row));
        connection->send(makePacket(Cmd::CmdWorksheetSend, QByteArray::number(row) + ' ' + text));
    }
}

// CmdWorksheetReceive: "row comma-text", the text read up to the first blank. A row
// outside the data rows, or a reply without text (every row the display machine sends
// starts with its heading field), is ignored.
void ReplyProcessor::receiveWorksheetRow(const QByteArray& operand) {
    OperandScanner in(operand);
    const std::optional<qint32> row = in.number();
    if (!row || *row < 1 || *row >= Worksheet::kRows || !in.skipOne()) {
        return;
    }
    if (const std::optional<QByteArray> text = in.word()) {
        c_.worksheet.setRowCommaText(*row, *text);
    }
}

// CmdCaptionPosition: the strip at the top for a positive number.
void ReplyProcessor::captionPosition(const QByteArray& operand) {
    c_.settings.ckTextPos.set(firstNumber(operand).value_or(0) > 0);
}

void ReplyProcessor::unhandled(const QByteArray& packet, const PacketConnection* connection) {
    const QByteArray host =
        connection == nullptr ? QByteArray() : cp932::encode(connection->peerName());
    c_.log.add(operatorUnhandledLine(host, packet));
}

}  // namespace zul
