#pragma once

// Builders of the texts the program sends: command packets over TCP, status lines and
// notices as UDP datagrams.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

#include "protocol/command_table.h"

namespace zul {

// Command byte + operand + line feed. The operand must not contain a line feed: the
// receiver would split it into two packets.
QByteArray makePacket(Cmd cmd, QByteArrayView operand = {});

// Command byte + operand, without the line feed: a packet the display machine feeds to its
// own interpreter.
QByteArray makeInternalPacket(Cmd cmd, QByteArrayView operand = {});

// Status line: "ZUL,3," + byte 30 + "(" host ")" message ["(" path ")"] + line feed.
QByteArray statusLine(QByteArrayView host, QByteArrayView message,
                      std::optional<QByteArrayView> path = std::nullopt);

// Status line whose text after byte 30 the caller lays out itself (PowerPoint control,
// liaison memos): "ZUL,3," + byte 30 + text + line feed.
QByteArray statusLineRaw(QByteArrayView text);

// What a notice tells the operators.
enum class NoticeKind {
    PartsChanged,      // "VL": refresh the parts list
    DirectoryChanged,  // "DIR": base directory or settings changed, refresh the file list
    FileSetLoaded,     // "ALL": a file set was loaded
};

// "VL", "DIR" or "ALL".
QByteArrayView noticeKindText(NoticeKind kind);

// Notice: "ZUL,5," + kind + line feed.
QByteArray noticeLine(NoticeKind kind);

}  // namespace zul
