#include "external/slide_show.h"

#include <QStringList>
#include <algorithm>

#include "platform/cp932.h"

namespace zul {

bool isPresentationExtension(const QString& ext) {
    return isImpressShowExtension(ext) || ext == QLatin1String("sxd");
}

bool isImpressShowExtension(const QString& ext) {
    static const QStringList shows = {QStringLiteral("ppt"), QStringLiteral("pptx"),
                                      QStringLiteral("odp")};
    return shows.contains(ext);
}

int pageAfter(ShowOp op, int current, int count) {
    if (count <= 0) {
        return 0;
    }
    const int page = std::clamp(current, 0, count - 1);
    switch (op) {
        case ShowOp::Next:
            return std::min(page + 1, count - 1);
        case ShowOp::Previous:
            return std::max(page - 1, 0);
        case ShowOp::Open:
        case ShowOp::Start:
        case ShowOp::End:
            break;
    }
    return 0;
}

QByteArray failureMessage(ShowOp op) {
    switch (op) {
        case ShowOp::Open:
            return cp932::encode(u"エラー：PowerPointとの連携ができませんでした。");
        case ShowOp::Start:
        case ShowOp::Next:
            return cp932::encode(u"エラー：制御できません。再ロードが必要かもしれません。");
        case ShowOp::Previous:
        case ShowOp::End:
            break;
    }
    return cp932::encode(u"エラー：制御できません。再読込が必要でしょう。");
}

}  // namespace zul
