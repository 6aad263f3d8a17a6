#include "protocol/screen_bounds.h"

#include <algorithm>

namespace zul {

int clampToScreen(ScreenValue kind, qint64 value) {
    switch (kind) {
        case ScreenValue::FontSize:
            return static_cast<int>(std::clamp<qint64>(value, -kMaxFontPoints, kMaxFontPoints));
        case ScreenValue::Position:
            return static_cast<int>(std::clamp<qint64>(value, -kMaxScreenPixels, kMaxScreenPixels));
        case ScreenValue::Extent:
            return static_cast<int>(std::clamp<qint64>(value, 0, kMaxScreenPixels));
    }
    return 0;
}

}  // namespace zul
