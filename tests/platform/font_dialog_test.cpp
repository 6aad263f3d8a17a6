// The font dialog behind the caption font button: fixed-pitch fonts only, the Japanese ones
// (dual-width to fontconfig) among them, with the caption font preselected.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QListView>
#include <QTimer>
#include <functional>

#include "platform/dialogs.h"
#include "platform/fonts.h"

using namespace zul;

namespace {

// What the open dialog offers: the families of its family list that are not hidden, and
// the one selected.
struct Offer {
    QStringList families;
    QString current;
};

Offer offerOf(QFontDialog& dialog) {
    Offer offer;
    QListView* families = nullptr;
    for (QListView* view : dialog.findChildren<QListView*>()) {
        if (view->model() != nullptr && view->model()->rowCount() > 0 &&
            QFontDatabase::families().contains(view->model()->index(0, 0).data().toString()) &&
            (families == nullptr || view->model()->rowCount() > families->model()->rowCount())) {
            families = view;
        }
    }
    if (families == nullptr) {
        return offer;
    }
    for (int row = 0; row < families->model()->rowCount(); ++row) {
        if (!families->isRowHidden(row)) {
            offer.families << families->model()->index(row, 0).data().toString();
        }
    }
    if (families->currentIndex().isValid() &&
        !families->isRowHidden(families->currentIndex().row())) {
        offer.current = families->currentIndex().data().toString();
    }
    return offer;
}

// Runs the dialog; `answer` sees it open, then it is accepted.
std::optional<QFont> runFontDialog(const QFont& initial,
                                   const std::function<void(QFontDialog&)>& answer) {
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            answer(*dialog);
            dialog->accept();
        }
    });
    poll.start();
    QtDialogs dialogs;
    return dialogs.font(initial, true);
}

bool hasFamily(const QString& family) {
    return QFontDatabase::families().contains(family);
}

}  // namespace

TEST(FontDialog, OffersTheJapaneseFixedPitchFontsAndPreselectsTheCaptionFont) {
    if (!hasFamily(QStringLiteral("IPAGothic")) || !hasFamily(QStringLiteral("IPAPGothic"))) {
        GTEST_SKIP() << "the IPA fonts (fonts-ipafont-gothic) are not installed";
    }
    installFontAliases();
    const struct {
        const char* initial;
        const char* preselected;  // nullptr: any family offered
        const char* result;
    } cases[] = {
        {"ＭＳ ゴシック", "IPAGothic", "ＭＳ ゴシック"},  // kept: the alias names that font
        {"ＭＳゴシック", "IPAGothic", "ＭＳゴシック"},
        {"IPAMincho", "IPAMincho", "IPAMincho"},
        {"ＭＳ Ｐゴシック", nullptr, nullptr},  // proportional: not offered
    };
    for (const auto& c : cases) {
        QFont initial(QString::fromUtf8(c.initial));
        initial.setPointSize(32);
        Offer offer;
        const auto chosen =
            runFontDialog(initial, [&offer](QFontDialog& d) { offer = offerOf(d); });
        ASSERT_TRUE(chosen.has_value()) << c.initial;
        for (const char* family : {"IPAGothic", "IPAMincho"}) {
            EXPECT_TRUE(offer.families.contains(QString::fromLatin1(family)))
                << c.initial << ": " << family << " is not offered";
        }
        for (const char* family : {"IPAPGothic", "IPAPMincho"}) {
            EXPECT_FALSE(offer.families.contains(QString::fromLatin1(family)))
                << c.initial << ": proportional " << family << " is offered";
        }
        for (const QString& family : QFontDatabase::families()) {
            if (QFontDatabase::isFixedPitch(family) && !QFontDatabase::isPrivateFamily(family)) {
                EXPECT_TRUE(offer.families.contains(family)) << family.toStdString();
            }
        }
        ASSERT_FALSE(offer.current.isEmpty()) << c.initial << ": nothing offered is selected";
        if (c.preselected != nullptr) {
            EXPECT_EQ(offer.current, QString::fromLatin1(c.preselected)) << c.initial;
            EXPECT_EQ(chosen->family(), QString::fromUtf8(c.result)) << c.initial;
            EXPECT_EQ(chosen->pointSize(), 32) << c.initial;
        } else {
            EXPECT_TRUE(fixedPitchFamilies().contains(chosen->family())) << c.initial;
        }
    }
}

TEST(FontDialog, FixedPitchFamiliesCountDualWidthFonts) {
    const QStringList fixed = fixedPitchFamilies();
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isFixedPitch(family)) {
            EXPECT_TRUE(fixed.contains(family)) << family.toStdString();
        }
    }
    if (!hasFamily(QStringLiteral("IPAGothic"))) {
        GTEST_SKIP() << "the IPA fonts (fonts-ipafont-gothic) are not installed";
    }
    EXPECT_FALSE(QFontDatabase::isFixedPitch(QStringLiteral("IPAGothic")));  // Qt's view
    EXPECT_TRUE(fixed.contains(QStringLiteral("IPAGothic")));
    EXPECT_TRUE(fixed.contains(QStringLiteral("IPAMincho")));
    EXPECT_FALSE(fixed.contains(QStringLiteral("IPAPGothic")));
    EXPECT_FALSE(fixed.contains(QStringLiteral("IPAPMincho")));
}
