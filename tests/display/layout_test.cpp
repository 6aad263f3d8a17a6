#include <gtest/gtest.h>

#include <climits>

#include "display/layout.h"

using namespace zul;

TEST(DisplayLayout, CaptionFontAndStripHeightFollowTheWindowHeight) {
    struct Case {
        int sampleSize;
        int windowHeight;
        int font;
        int strip;
    };
    const Case cases[] = {
        {36, 600, -28, 40},  // the sample size is negated, then scaled
        {40, 768, -40, 57},  // a multiple of 20 gives one pixel less than |size| x 1.45
        {36, 768, -36, 52}, {-20, 768, -20, 28}, {0, 768, 0, 0}, {48, 1080, -67, 97},
    };
    for (const Case& c : cases) {
        const int font = captionFontSize(c.sampleSize, c.windowHeight);
        EXPECT_EQ(font, c.font) << c.sampleSize << " on " << c.windowHeight;
        EXPECT_EQ(captionStripHeight(font, false), c.strip) << c.sampleSize;
        EXPECT_EQ(captionStripHeight(font, true), 0);
    }
}

TEST(DisplayLayout, FontUpdateScalesThePositiveSize) {
    struct Case {
        int size;
        int windowHeight;
        int strip;
    };
    for (const Case c : {Case{36, 768, 52}, Case{36, 1024, 69}, Case{20, 768, 28}}) {
        EXPECT_EQ(captionStripHeight(scaledFontSize(c.size, c.windowHeight), false), c.strip);
    }
    EXPECT_EQ(scaledFontSize(36, 1024), 48);
}

TEST(DisplayLayout, ViewersAndStripForBothCaptionPositions) {
    const ContentLayout bottom = layoutContent(QSize(1024, 768), 52, false);
    EXPECT_EQ(bottom.web, QRect(0, 0, 1044, 716));  // 20 extra pixels push scroll bars out
    EXPECT_EQ(bottom.picture, QRect(0, 0, 1024, 716));
    EXPECT_EQ(bottom.strip, QRect(0, 716, 1024, 768));  // clipped by the content area

    const ContentLayout top = layoutContent(QSize(1024, 768), 52, true);
    EXPECT_EQ(top.strip, QRect(0, 0, 1024, 52));
    EXPECT_EQ(top.web, QRect(0, 52, 1044, 768));
    EXPECT_EQ(top.picture, QRect(0, 52, 1024, 768));

    const ContentLayout hidden = layoutContent(QSize(800, 600), 0, false);
    EXPECT_EQ(hidden.picture, QRect(0, 0, 800, 600));

    EXPECT_EQ(layoutContent(QSize(800, 600), 40, false, true).picture, QRect(0, 0, 820, 560));
}

TEST(DisplayLayout, ContentAreaNeverGrowsPastTheWindow) {
    EXPECT_EQ(clampContentArea(QRect(0, -10, 1024, 778), QSize(1024, 768)),
              QRect(0, -10, 1024, 768));
    EXPECT_EQ(clampContentArea(QRect(5, 5, 500, 400), QSize(1024, 768)), QRect(5, 5, 500, 400));
    EXPECT_EQ(clampContentArea(QRect(0, 0, 2000, 2000), QSize(640, 480)), QRect(0, 0, 640, 480));
}

TEST(DisplayLayout, FrameAdjustmentStepsTenPixels) {
    const QRect r(0, 0, 1024, 700);
    struct Case {
        int edge;
        bool up;
        QRect expected;
    };
    const Case cases[] = {
        {1, true, QRect(0, -10, 1024, 710)},
        {1, false, QRect(0, 10, 1024, 690)},
        {2, true, QRect(10, 0, 1014, 700)},
        {2, false, QRect(-10, 0, 1034, 700)},
        {3, true, QRect(0, 0, 1034, 700)},
        {3, false, QRect(0, 0, 1014, 700)},
        {4, true, QRect(0, 0, 1024, 690)},
        {4, false, QRect(0, 0, 1024, 710)},
        {9, true, r},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(adjustEdge(r, c.edge, c.up), c.expected) << c.edge << c.up;
    }
}

// Whatever a peer sends, the arithmetic stays inside int and the results on a screen.
TEST(DisplayLayout, HostileSizesStayOnScreen) {
    struct Case {
        int sampleSize;
        int windowHeight;
        int font;
        int strip;
    };
    const Case cases[] = {
        {INT_MAX, 768, -1000, 1449},      {INT_MIN, 768, -1000, 1449}, {-1, 768, -1, 1},
        {INT_MAX, INT_MAX, -10666, 8192}, {36, INT_MIN, 0, 0},         {36, -1, 0, 0},
    };
    for (const Case& c : cases) {
        const int font = captionFontSize(c.sampleSize, c.windowHeight);
        EXPECT_EQ(font, c.font) << c.sampleSize << " on " << c.windowHeight;
        EXPECT_EQ(captionStripHeight(font, false), c.strip) << c.sampleSize;
    }
    EXPECT_EQ(scaledFontSize(INT_MAX, 768), 1000);
    EXPECT_EQ(scaledFontSize(INT_MIN, 1536), -2000);
    EXPECT_EQ(captionStripHeight(INT_MAX, false), 8192);
    EXPECT_EQ(captionStripHeight(INT_MIN, false), 8192);
}

TEST(DisplayLayout, FrameAdjustmentStaysOnScreenHoweverManySteps) {
    for (int edge = 1; edge <= 4; ++edge) {
        for (const bool up : {false, true}) {
            QRect r(0, 0, 1024, 768);
            for (int step = 0; step < 5000; ++step) {
                r = adjustEdge(r, edge, up);
            }
            SCOPED_TRACE(testing::Message() << edge << up);
            EXPECT_GE(r.x(), -8192);
            EXPECT_LE(r.x(), 8192);
            EXPECT_GE(r.y(), -8192);
            EXPECT_LE(r.y(), 8192);
            EXPECT_GE(r.width(), 0);
            EXPECT_LE(r.width(), 8192);
            EXPECT_GE(r.height(), 0);
            EXPECT_LE(r.height(), 8192);
        }
    }
    EXPECT_EQ(adjustEdge(QRect(0, 0, 5, 5), 3, false), QRect(0, 0, 0, 5));
}
