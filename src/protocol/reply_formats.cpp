#include "protocol/reply_formats.h"

#include "protocol/operand_scan.h"

namespace zul {

std::optional<PartsInfoReply> parsePartsInfo(QByteArrayView operand) {
    constexpr int kCommas = 3;
    QByteArray fields[kCommas];
    qsizetype start = 0;
    for (QByteArray& field : fields) {
        const qsizetype comma = operand.indexOf(',', start);
        if (comma < 0) {
            return std::nullopt;
        }
        field = operand.sliced(start, comma - start).toByteArray();
        start = comma + 1;
    }
    return PartsInfoReply{fields[0], fields[1], fields[2], operand.sliced(start).toByteArray()};
}

CaptionSettingsReply parseCaptionSettings(QByteArrayView operand) {
    OperandScanner in(operand);
    CaptionSettingsReply r;
    r.size = in.number();
    r.fontColour = in.number();
    r.backColour = in.number();
    r.scroll = in.number();
    r.hide = in.number();
    r.centre = in.number();
    if (in.skipOne()) {
        r.fontName = in.until(",\t");
    }
    return r;
}

}  // namespace zul
