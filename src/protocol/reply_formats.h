#pragma once

// The operands of the replies that a display machine sends back to an operator, read the
// way every operator-side reader reads them (the console and the command-line client).

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <optional>

namespace zul {

// CmdPartsInfo: "name,caption,font colour,background colour".
struct PartsInfoReply {
    QByteArray name;
    QByteArray caption;
    QByteArray fontColour;
    QByteArray backColour;
};

// Cut at the first three commas (the background colour takes the rest); nothing with fewer
// commas.
std::optional<PartsInfoReply> parsePartsInfo(QByteArrayView operand);

// CmdFontSend: "size font-colour back-colour scroll hide centre name", read with
// "%ld %ld %ld %d %d %d%*c%[^,\t]". A value that is not there (a short or damaged reply)
// stays empty; reading stops at the first one that fails.
struct CaptionSettingsReply {
    std::optional<qint32> size;
    std::optional<qint32> fontColour;
    std::optional<qint32> backColour;
    std::optional<qint32> scroll;
    std::optional<qint32> hide;
    std::optional<qint32> centre;
    std::optional<QByteArray> fontName;  // ends at a comma or a tab
};

CaptionSettingsReply parseCaptionSettings(QByteArrayView operand);

}  // namespace zul
