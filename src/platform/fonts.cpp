#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <QFont>
#include <QFontDatabase>
#include <QSet>
#include <memory>

namespace zul {
namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* f) const { FcFontSetDestroy(f); }
};

// Every name (in every language) of the fonts that fontconfig marks dual-width, mono or
// character cell.
QSet<QString> fontconfigFixedPitchNames() {
    QSet<QString> names;
    const std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    const std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
        FcObjectSetBuild(FC_FAMILY, FC_SPACING, nullptr));
    if (!pattern || !objects) {
        return names;
    }
    const std::unique_ptr<FcFontSet, FontSetDeleter> fonts(
        FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts) {
        return names;
    }
    for (int i = 0; i < fonts->nfont; ++i) {
        int spacing = FC_PROPORTIONAL;
        if (FcPatternGetInteger(fonts->fonts[i], FC_SPACING, 0, &spacing) != FcResultMatch ||
            spacing < FC_DUAL) {
            continue;
        }
        FcChar8* family = nullptr;
        for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch;
             ++n) {
            names.insert(QString::fromUtf8(reinterpret_cast<const char*>(family)));
        }
    }
    return names;
}

// Qt names a family that several foundries make "Family [Foundry]".
QString withoutFoundry(const QString& family) {
    const qsizetype bracket = family.lastIndexOf(QStringLiteral(" ["));
    return bracket > 0 && family.endsWith(QLatin1Char(']')) ? family.left(bracket) : family;
}

}  // namespace

void installFontAliases() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ　ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
}

QStringList fixedPitchFamilies() {
    const QSet<QString> fixed = fontconfigFixedPitchNames();
    QStringList out;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family)) {
            continue;
        }
        if (QFontDatabase::isFixedPitch(family) || fixed.contains(withoutFoundry(family))) {
            out << family;
        }
    }
    return out;
}

}  // namespace zul
