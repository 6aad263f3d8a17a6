#include "platform/dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QListView>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include "platform/fonts.h"

namespace zul {

QString toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out.join(QStringLiteral(";;"));
}

namespace {

void setBoxIcon(QMessageBox& box, Dialogs::Icon icon) {
    switch (icon) {
        case Dialogs::Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Dialogs::Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Dialogs::Icon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Dialogs::Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Dialogs::Icon::None:
            break;
    }
}

}  // namespace

void QtDialogs::message(const QString& text, const QString& title, Icon icon) {
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    setBoxIcon(box, icon);
    box.exec();
}

void QtDialogs::notice(const QString& text, const QString& title, Icon icon) {
    // Owned by the parent window while it lives, and deleted once closed.
    auto* box = new QMessageBox(parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setWindowTitle(title);
    box->setText(text);
    setBoxIcon(*box, icon);
    box->show();
}

bool QtDialogs::ask(const QString& text, const QString& title) {
    return QMessageBox::question(parent_, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString QtDialogs::openFileName(const QString& title, const QString& filter,
                                const QString& startDir) {
    return QFileDialog::getOpenFileName(parent_, title, startDir, toQtFilter(filter));
}

QString QtDialogs::saveFileName(const QString& title, const QString& filter,
                                const QString& startDir) {
    return QFileDialog::getSaveFileName(parent_, title, startDir, toQtFilter(filter));
}

QString QtDialogs::folder(const QString& title, const QString& startDir) {
    return QFileDialog::getExistingDirectory(parent_, title, startDir);
}

std::optional<QColor> QtDialogs::color(const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, parent_);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return c;
}

namespace {

// The list view of the font dialog that lists the families: the one whose rows are all font
// families.
QListView* familyListOf(const QFontDialog& dialog) {
    const QStringList families = QFontDatabase::families();
    QListView* best = nullptr;
    for (QListView* view : dialog.findChildren<QListView*>()) {
        const QAbstractItemModel* model = view->model();
        if (model == nullptr || model->rowCount() == 0) {
            continue;
        }
        bool allFamilies = true;
        for (int row = 0; row < model->rowCount() && allFamilies; ++row) {
            allFamilies = families.contains(model->index(row, 0).data().toString());
        }
        if (allFamilies && (best == nullptr || model->rowCount() > best->model()->rowCount())) {
            best = view;
        }
    }
    return best;
}

// Lets the font dialog offer only `families`. Qt's own filter for fixed pitch drops the
// dual-width Japanese fonts, so the other families' rows are hidden instead, again whenever
// the dialog fills its list anew (another writing system chosen). A hidden family that the
// dialog selected gives way to the first one offered.
void offerOnly(QFontDialog& dialog, const QStringList& families) {
    QListView* list = familyListOf(dialog);
    if (list == nullptr) {
        return;
    }
    auto selectOffered = [list] {
        const QModelIndex current = list->currentIndex();
        if (current.isValid() && !list->isRowHidden(current.row())) {
            return;
        }
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            if (!list->isRowHidden(row)) {
                list->setCurrentIndex(list->model()->index(row, 0));
                list->scrollTo(list->currentIndex());
                return;
            }
        }
    };
    auto hideOthers = [list, families] {
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            list->setRowHidden(row,
                               !families.contains(list->model()->index(row, 0).data().toString()));
        }
    };
    hideOthers();
    selectOffered();
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, list,
                     [list, hideOthers, selectOffered] {
                         hideOthers();
                         // The dialog selects its family after refilling the list.
                         QTimer::singleShot(0, list, selectOffered);
                     });
}

// The installed family that `font`'s family name stands for: the name itself, its alias
// (QFont::insertSubstitution), or the family that font matching picks.
QString installedFamily(const QFont& font) {
    const QStringList families = QFontDatabase::families();
    if (families.contains(font.family())) {
        return font.family();
    }
    for (const QString& substitute : QFont::substitutes(font.family())) {
        if (families.contains(substitute)) {
            return substitute;
        }
    }
    return QFontInfo(font).family();
}

}  // namespace

std::optional<QFont> QtDialogs::font(const QFont& initial, bool fixedPitchOnly) {
    QFontDialog dialog(parent_);
    // Qt's own dialog (translated, and its family list can be narrowed), not the desktop's.
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // The dialog finds a family only by its own name: an alias ("ＭＳ ゴシック") is looked
    // up as the font it stands for.
    QFont shown = initial;
    shown.setFamily(installedFamily(initial));
    dialog.setCurrentFont(shown);
    if (fixedPitchOnly) {
        offerOnly(dialog, fixedPitchFamilies());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    QFont chosen = dialog.selectedFont();
    // The font that the initial name stands for keeps that name, so that a setting names
    // the same font on every machine.
    if (chosen.family() == shown.family()) {
        chosen.setFamily(initial.family());
    }
    return chosen;
}

}  // namespace zul
