// The colour key as a window mask: exactly the key colour is see-through.
#include <gtest/gtest.h>

#include <QImage>

#include "display/colour_key.h"

using namespace zul;

TEST(ColourKey, OnlyPixelsOfExactlyTheKeyColourAreLeftOut) {
    const QColor key(0, 255, 0);
    struct Case {
        QColor pixel;
        bool shown;
    };
    const Case cases[] = {
        {key, false},
        {QColor(1, 255, 0), true},
        {QColor(0, 254, 0), true},
        {QColor(0, 255, 1), true},
        {QColor(Qt::black), true},
        {QColor(Qt::white), true},
        {QColor(0, 255, 0, 10), false},  // alpha is no part of the key
    };
    for (const Case& c : cases) {
        // The pixel under test sits in the middle of a picture of the other kind.
        QImage picture(5, 3, QImage::Format_ARGB32);
        picture.fill(c.shown ? key : QColor(Qt::red));
        picture.setPixelColor(2, 1, c.pixel);
        const QRegion kept = colourKeyRegion(picture, key);
        EXPECT_EQ(kept.contains(QPoint(2, 1)), c.shown) << c.pixel.name().toStdString();
        EXPECT_EQ(kept.contains(QPoint(0, 0)), !c.shown) << c.pixel.name().toStdString();
    }
}

TEST(ColourKey, APictureAllOfTheKeyColourShowsNothing) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(10, 20, 30));
    const QRegion kept = colourKeyRegion(picture, QColor(10, 20, 30));
    // An empty region would switch the mask off and show everything.
    EXPECT_FALSE(kept.isEmpty());
    EXPECT_FALSE(kept.intersects(QRect(0, 0, 40, 30)));
    EXPECT_EQ(kept, nothingShown());

    picture.setPixelColor(39, 29, Qt::white);
    EXPECT_EQ(colourKeyRegion(picture, QColor(10, 20, 30)), QRegion(39, 29, 1, 1));
}
