#include <gtest/gtest.h>

#include <climits>

#include "protocol/screen_bounds.h"

using namespace zul;

TEST(ScreenBounds, FontSizesPositionsAndExtentsAreClampedToAScreen) {
    struct Case {
        ScreenValue kind;
        qint64 value;
        int bounded;
    };
    const Case cases[] = {
        {ScreenValue::FontSize, 36, 36},
        {ScreenValue::FontSize, -36, -36},
        {ScreenValue::FontSize, 0, 0},
        {ScreenValue::FontSize, 1000, 1000},
        {ScreenValue::FontSize, 1001, 1000},
        {ScreenValue::FontSize, INT_MAX, 1000},
        {ScreenValue::FontSize, INT_MIN, -1000},
        {ScreenValue::FontSize, LLONG_MIN, -1000},
        {ScreenValue::Position, -10, -10},
        {ScreenValue::Position, 8192, 8192},
        {ScreenValue::Position, 8193, 8192},
        {ScreenValue::Position, INT_MIN, -8192},
        {ScreenValue::Position, LLONG_MAX, 8192},
        {ScreenValue::Extent, 1024, 1024},
        {ScreenValue::Extent, 0, 0},
        {ScreenValue::Extent, -1, 0},
        {ScreenValue::Extent, INT_MIN, 0},
        {ScreenValue::Extent, INT_MAX, 8192},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clampToScreen(c.kind, c.value), c.bounded)
            << static_cast<int>(c.kind) << " " << c.value;
    }
}
