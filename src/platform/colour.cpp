#include "platform/colour.h"

#include <QGuiApplication>
#include <QPalette>

namespace zul {
namespace {

// The system colour indexes that the program's files use, mapped to the palette.
QColor systemColour(int index) {
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
        case 5:  // window background
            return palette.color(QPalette::Base);
        case 8:  // window text
            return palette.color(QPalette::Text);
        case 15:  // button face
            return palette.color(QPalette::Button);
        case 18:  // button text
            return palette.color(QPalette::ButtonText);
        case 13:  // highlight
            return palette.color(QPalette::Highlight);
        case 14:  // highlighted text
            return palette.color(QPalette::HighlightedText);
        default:
            return palette.color(QPalette::Window);
    }
}

}  // namespace

QColor toQColor(ColorValue value) {
    const auto v = static_cast<quint32>(value);
    if ((v & 0x80000000u) != 0) {
        return systemColour(static_cast<int>(v & 0xFFu));
    }
    return QColor(static_cast<int>(v & 0xFFu), static_cast<int>((v >> 8) & 0xFFu),
                  static_cast<int>((v >> 16) & 0xFFu));
}

ColorValue fromQColor(const QColor& colour) {
    return static_cast<ColorValue>(static_cast<quint32>(colour.red()) |
                                   (static_cast<quint32>(colour.green()) << 8) |
                                   (static_cast<quint32>(colour.blue()) << 16));
}

}  // namespace zul
