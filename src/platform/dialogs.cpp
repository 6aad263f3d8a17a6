#include "platform/dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QStringList>

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

void QtDialogs::message(const QString& text, const QString& title, Icon icon) {
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::None:
            break;
    }
    box.exec();
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

std::optional<QFont> QtDialogs::font(const QFont& initial, bool fixedPitchOnly) {
    bool ok = false;
    const QFontDialog::FontDialogOptions options =
        fixedPitchOnly ? QFontDialog::MonospacedFonts : QFontDialog::FontDialogOptions();
    const QFont f = QFontDialog::getFont(&ok, initial, parent_, QString(), options);
    if (!ok) {
        return std::nullopt;
    }
    return f;
}

}  // namespace zul
