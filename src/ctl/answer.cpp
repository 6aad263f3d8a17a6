#include "ctl/answer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/cp932.h"
#include "protocol/command_table.h"
#include "protocol/operand_scan.h"
#include "protocol/packets.h"

namespace zul::ctl {
namespace {

QString text(QByteArrayView bytes) {
    return cp932::decode(bytes);
}

QString jsonLine(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A colour field: a number when it reads as one completely, its text otherwise.
QJsonValue colourValue(const QByteArray& field) {
    bool ok = false;
    const int value = field.toInt(&ok);
    return ok ? QJsonValue(value) : QJsonValue(text(field));
}

QJsonValue optionalNumber(const std::optional<qint32>& n) {
    return n ? QJsonValue(*n) : QJsonValue();
}

QJsonValue optionalFlag(const std::optional<qint32>& n) {
    return n ? QJsonValue(*n == 1) : QJsonValue();
}

QString numberText(const std::optional<qint32>& n) {
    return n ? QString::number(*n) : QString();
}

}  // namespace

QByteArray endMarkPacket() {
    return makePacket(Cmd::CmdFontRequest);
}

AnswerTracker::AnswerTracker(Cmd request) {
    if (request == Cmd::CmdFontRequest) {
        ownSettings_ = 1;
        ownPosition_ = 1;
    }
}

bool AnswerTracker::take(QByteArrayView packet) {
    if (complete_) {
        return false;
    }
    const int byte = commandByteOf(packet);
    if (byte == commandByte(Cmd::CmdFontSend)) {
        return ++settingsSeen_ <= ownSettings_;
    }
    if (byte == commandByte(Cmd::CmdCaptionPosition)) {
        if (++positionsSeen_ <= ownPosition_) {
            return true;
        }
        complete_ = true;
        return false;
    }
    return true;
}

QString terminalText(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F)) {
            c = QChar(0xFFFD);
        }
    }
    return out;
}

QString AnswerPrinter::line(const QString& value, const QString& key) const {
    if (json_) {
        return jsonLine(QJsonObject{{key, value}});
    }
    return terminalText(value);
}

QStringList AnswerPrinter::take(QByteArrayView packet) {
    const int byte = commandByteOf(packet);
    const QByteArrayView operand = packet.isEmpty() ? packet : packet.sliced(1);
    switch (shape_) {
        case ReplyShape::None:
            return {};
        case ReplyShape::Any: {
            const CommandInfo* info = commandByByte(byte);
            const QString id = info != nullptr ? identifierText(*info) : QStringLiteral("unknown");
            if (json_) {
                const int raw = packet.isEmpty() ? 0 : static_cast<unsigned char>(packet[0]);
                return {jsonLine(QJsonObject{
                    {QStringLiteral("command"), id},
                    {QStringLiteral("byte"), raw},
                    {QStringLiteral("operand"), text(operand)},
                })};
            }
            return {id + QLatin1Char(' ') + terminalText(text(operand))};
        }
        case ReplyShape::Parts: {
            if (byte != commandByte(Cmd::CmdPartsInfo)) {
                return {};
            }
            const std::optional<PartsInfoReply> row = parsePartsInfo(operand);
            if (!row) {
                return {};
            }
            if (json_) {
                return {jsonLine(QJsonObject{
                    {QStringLiteral("name"), text(row->name)},
                    {QStringLiteral("value"), text(row->caption)},
                    {QStringLiteral("fontColor"), colourValue(row->fontColour)},
                    {QStringLiteral("backColor"), colourValue(row->backColour)},
                })};
            }
            return {terminalText(QStringList{text(row->name), text(row->caption),
                                             text(row->fontColour), text(row->backColour)}
                                     .join(QLatin1Char('\t')))};
        }
        case ReplyShape::Files:
            if (byte == commandByte(Cmd::CmdDirListReceive)) {
                return {line(text(operand), QStringLiteral("file"))};
            }
            if (byte == commandByte(Cmd::CmdDirNameGet)) {
                folder_ = text(operand);
            }
            return {};
        case ReplyShape::Log:
            if (byte == commandByte(Cmd::CmdDebugLog)) {
                return {line(text(operand), QStringLiteral("line"))};
            }
            return {};
        case ReplyShape::Cpu:
            if (byte == commandByte(Cmd::CmdCpuLoadReply) && !cpuSeen_) {
                if (const std::optional<qint32> percent = firstNumber(operand)) {
                    cpuSeen_ = true;
                    return {json_ ? jsonLine(QJsonObject{{QStringLiteral("cpu"), *percent}})
                                  : QString::number(*percent)};
                }
            }
            return {};
        case ReplyShape::Caption:
            if (byte == commandByte(Cmd::CmdFontSend)) {
                caption_ = parseCaptionSettings(operand);
            } else if (byte == commandByte(Cmd::CmdCaptionPosition)) {
                captionTop_ = firstNumber(operand).value_or(0) > 0;
            }
            return {};
    }
    return {};
}

QStringList AnswerPrinter::finish() {
    if (shape_ == ReplyShape::Files) {
        return {json_ ? jsonLine(QJsonObject{{QStringLiteral("folder"), folder_}})
                      : QStringLiteral("folder: ") + terminalText(folder_)};
    }
    if (shape_ != ReplyShape::Caption || !caption_) {
        return {};
    }
    const CaptionSettingsReply& c = *caption_;
    const QString font = c.fontName ? text(*c.fontName) : QString();
    if (json_) {
        return {jsonLine(QJsonObject{
            {QStringLiteral("font"), font},
            {QStringLiteral("size"), optionalNumber(c.size)},
            {QStringLiteral("fontColor"), optionalNumber(c.fontColour)},
            {QStringLiteral("backColor"), optionalNumber(c.backColour)},
            {QStringLiteral("scroll"), optionalFlag(c.scroll)},
            {QStringLiteral("hide"), optionalFlag(c.hide)},
            {QStringLiteral("centre"), optionalFlag(c.centre)},
            {QStringLiteral("top"), captionTop_ ? QJsonValue(*captionTop_) : QJsonValue()},
        })};
    }
    const auto flag = [](const std::optional<qint32>& n) {
        return n ? QString::number(*n == 1 ? 1 : 0) : QString();
    };
    return {
        QStringLiteral("font: ") + terminalText(font),
        QStringLiteral("size: ") + numberText(c.size),
        QStringLiteral("fontColor: ") + numberText(c.fontColour),
        QStringLiteral("backColor: ") + numberText(c.backColour),
        QStringLiteral("scroll: ") + flag(c.scroll),
        QStringLiteral("hide: ") + flag(c.hide),
        QStringLiteral("centre: ") + flag(c.centre),
        QStringLiteral("top: ") + (captionTop_ ? QString::number(*captionTop_ ? 1 : 0) : QString()),
    };
}

std::optional<QString> AnswerPrinter::missing() const {
    if (shape_ == ReplyShape::Cpu && !cpuSeen_) {
        return QStringLiteral("表示機からCPU負荷率が届きませんでした");
    }
    if (shape_ == ReplyShape::Caption && !caption_) {
        return QStringLiteral("表示機から文字枠の設定が届きませんでした");
    }
    return std::nullopt;
}

}  // namespace zul::ctl
