#pragma once

// Typing into a widget as a keyboard does, character by character, for any text: QTest's
// own keyClicks knows only ASCII characters.

#include <QString>
#include <QTest>
#include <QWidget>

namespace zul::test {

inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const auto key = c.unicode() < 0x80 ? static_cast<Qt::Key>(QChar(c).toUpper().unicode())
                                            : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
    }
}

}  // namespace zul::test
