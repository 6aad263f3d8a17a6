#include "ctl/script_file.h"

#include <QStringDecoder>

#include "platform/cp932.h"
#include "protocol/script_rules.h"

namespace zul::ctl {

QByteArrayList scriptLines(QByteArrayView file, int* unmappable) {
    QByteArray bytes = file.toByteArray();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    if (!utf8.hasError()) {
        bytes = cp932::encode(decoded, unmappable);
    }
    QByteArrayList lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();  // the line end of the last line
    }
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return lines;
}

ScriptStep scriptStep(QByteArrayView line) {
    if (isQueueMarker(line)) {
        return ScriptStep::Marker;
    }
    return isCommentLine(line) ? ScriptStep::Note : ScriptStep::Send;
}

}  // namespace zul::ctl
