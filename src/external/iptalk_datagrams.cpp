#include "external/iptalk_datagrams.h"

#include <algorithm>

#include "platform/cp932.h"
#include "protocol/command_table.h"
#include "protocol/operand_scan.h"
#include "protocol/packets.h"

namespace zul {
namespace {

constexpr int kFirstPort = 6712;
constexpr int kPortStep = 100;
constexpr int kLastChannel = 11;

QByteArray text(const char* utf8) {
    return cp932::encode(QString::fromUtf8(utf8));
}

QByteArray opening() {
    return text("$set$999:＜番号付き表示設定ファイル２＞");
}

QByteArray closing() {
    return QByteArrayLiteral("$end$");
}

}  // namespace

quint16 iptalkPort(int channel) {
    return static_cast<quint16>(kFirstPort + kPortStep * std::clamp(channel, 0, kLastChannel));
}

QByteArrayList iptalkSettingsFileBatch(const QByteArray& fileName) {
    return {opening(), "$set$617:" + fileName + text(":設定の読込を指示"), closing()};
}

QByteArrayList iptalkFadeBatch(bool on, qint32 amount) {
    // The "on" comment ends in full-width letters, the "off" one in ASCII letters.
    const QByteArray state =
        on ? text("$set$401:true:フェードｏｎ") : text("$set$401:false:フェードoff");
    return {opening(),
            state,
            closing(),
            opening(),
            "$set$402:" + QByteArray::number(amount) + text(":フェードの量"),
            closing()};
}

QString iptalkSendFailure(int position) {
    // Full-width digits: "データグラム１送信失敗。..." for the first datagram.
    const QChar digit(0xFF10 + std::clamp(position, 0, 9));
    return QStringLiteral("データグラム%1送信失敗。IPTalkと連携できません。").arg(digit);
}

QByteArray iptalkPositionPacket(const IptalkPlacement& p) {
    const QByteArray operand = QByteArray::number(p.x) + ' ' + QByteArray::number(p.y) + ' ' +
                               QByteArray::number(p.width) + ' ' + QByteArray::number(p.height) +
                               ' ' + (p.topmost ? '1' : '0') + ' ' + (p.noSync ? '1' : '0');
    return makePacket(Cmd::CmdIptalkPosition, operand);
}

IptalkPositionOperand parseIptalkPosition(QByteArrayView operand) {
    OperandScanner in(operand);
    IptalkPositionOperand p;
    std::optional<qint32>* fields[] = {&p.x, &p.y, &p.width, &p.height, &p.topmost, &p.noSync};
    bool first = true;
    for (std::optional<qint32>* field : fields) {
        if (!first && !in.skipOne()) {
            break;
        }
        first = false;
        *field = in.number();
        if (!*field) {
            break;
        }
    }
    return p;
}

}  // namespace zul
