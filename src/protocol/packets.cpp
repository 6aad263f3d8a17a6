#include "protocol/packets.h"

namespace zul {
namespace {

constexpr char kLineFeed = '\n';

QByteArray statusPrefix() {
    QByteArray out("ZUL,3,");
    out += static_cast<char>(commandByte(Cmd::CmdMessage));
    return out;
}

}  // namespace

QByteArray makeInternalPacket(Cmd cmd, QByteArrayView operand) {
    QByteArray out;
    out.reserve(operand.size() + 2);
    out += static_cast<char>(commandByte(cmd));
    out += operand;
    return out;
}

QByteArray makePacket(Cmd cmd, QByteArrayView operand) {
    return makeInternalPacket(cmd, operand) + kLineFeed;
}

QByteArray statusLine(QByteArrayView host, QByteArrayView message,
                      std::optional<QByteArrayView> path) {
    QByteArray out = statusPrefix();
    out += '(';
    out += host;
    out += ')';
    out += message;
    if (path) {
        out += '(';
        out += *path;
        out += ')';
    }
    out += kLineFeed;
    return out;
}

QByteArray statusLineRaw(QByteArrayView text) {
    QByteArray out = statusPrefix();
    out += text;
    out += kLineFeed;
    return out;
}

QByteArrayView noticeKindText(NoticeKind kind) {
    switch (kind) {
        case NoticeKind::PartsChanged:
            return "VL";
        case NoticeKind::DirectoryChanged:
            return "DIR";
        case NoticeKind::FileSetLoaded:
            return "ALL";
    }
    return {};
}

QByteArray noticeLine(NoticeKind kind) {
    QByteArray out("ZUL,5,");
    out += noticeKindText(kind);
    out += kLineFeed;
    return out;
}

}  // namespace zul
