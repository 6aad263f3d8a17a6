#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <vector>

#include "display/viewers.h"
#include "platform/errors.h"
#include "platform/office_converter.h"

using namespace zul;

namespace {

// A picture of equal vertical bands, one per colour, each `bandWidth` wide.
QImage bands(const std::vector<QColor>& colours, int bandWidth, int height) {
    QImage image(bandWidth * static_cast<int>(colours.size()), height, QImage::Format_RGB32);
    QPainter painter(&image);
    for (size_t i = 0; i < colours.size(); ++i) {
        painter.fillRect(static_cast<int>(i) * bandWidth, 0, bandWidth, height, colours[i]);
    }
    return image;
}

struct Probe {
    QPoint at;
    QColor colour;
};

struct DrawCase {
    const char* name;
    QImage picture;
    bool stretch;
    bool proportional;
    QRect drawn;
    std::vector<Probe> probes;
};

std::string describe(const QColor& c) {
    return c.name().toStdString();
}

std::string colourAt(const QImage& image, int x, int y) {
    return describe(image.pixelColor(x, y));
}

const std::string kRed = describe(Qt::red);
const std::string kBlack = describe(Qt::black);

}  // namespace

// A 200x100 picture (red | blue) or a 600x200 one (red | green | blue) in a 400x400 viewer:
// the grabbed viewer shows each band, and black around the picture, where fitPicture puts
// them.
TEST(PictureView, DrawsThePictureWhereTheOptionsPlaceIt) {
    const QImage small = bands({Qt::red, Qt::blue}, 100, 100);
    const QImage wide = bands({Qt::red, Qt::green, Qt::blue}, 200, 200);
    // clang-format off
    const DrawCase cases[] = {
        {"fit keeping aspect", small, true, true, {0, 100, 400, 200},
         {{{200, 50}, Qt::black}, {{100, 200}, Qt::red}, {{300, 200}, Qt::blue},
          {{200, 350}, Qt::black}}},
        {"stretched to the viewer", small, true, false, {0, 0, 400, 400},
         {{{100, 20}, Qt::red}, {{300, 380}, Qt::blue}}},
        {"own size centred", small, false, false, {100, 150, 200, 100},
         {{{50, 200}, Qt::black}, {{150, 200}, Qt::red}, {{250, 200}, Qt::blue},
          {{350, 200}, Qt::black}, {{200, 140}, Qt::black}, {{200, 260}, Qt::black}}},
        {"fits, so own size", small, false, true, {100, 150, 200, 100},
         {{{50, 200}, Qt::black}, {{150, 200}, Qt::red}}},
        {"larger, cut off equally", wide, false, false, {-100, 100, 600, 200},
         {{{0, 200}, Qt::red}, {{200, 200}, Qt::green}, {{399, 200}, Qt::blue},
          {{200, 50}, Qt::black}}},
    };
    // clang-format on
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        PictureView view;
        view.resize(400, 400);
        view.setStretch(c.stretch);
        view.setProportional(c.proportional);
        view.setImage(c.picture);
        EXPECT_EQ(view.drawnRect(), c.drawn);
        const QImage shot = view.grab().toImage();
        for (const Probe& p : c.probes) {
            EXPECT_EQ(describe(shot.pixelColor(p.at)), describe(p.colour))
                << "at " << p.at.x() << "," << p.at.y();
        }
    }
}

TEST(PictureView, FollowsOptionAndSizeChangesAndClears) {
    PictureView view;
    view.resize(400, 400);
    view.setImage(bands({Qt::red, Qt::blue}, 100, 100));
    EXPECT_TRUE(view.stretch());
    EXPECT_FALSE(view.proportional());
    EXPECT_EQ(colourAt(view.grab().toImage(), 100, 20), kRed);

    // The scaled copy of the picture must not outlive a change of option or size.
    view.setProportional(true);
    EXPECT_EQ(colourAt(view.grab().toImage(), 100, 20), kBlack);
    view.resize(200, 400);
    EXPECT_EQ(view.drawnRect(), QRect(0, 150, 200, 100));
    EXPECT_EQ(colourAt(view.grab().toImage(), 50, 200), kRed);

    view.clear();
    EXPECT_TRUE(view.drawnRect().isEmpty());
    const QImage blank = view.grab().toImage();
    EXPECT_EQ(colourAt(blank, 50, 200), kBlack);
    EXPECT_EQ(colourAt(blank, 150, 200), kBlack);
}

class LoadPicture : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir_;
    OfficeConverter converter_{dir_.filePath(QStringLiteral("cache"))};
};

// Every raster format the display takes, and a picture whose name lies about its format.
TEST_F(LoadPicture, ReadsPictureFormatsByContent) {
    const QImage picture = bands({Qt::red, Qt::blue}, 16, 16);
    const struct {
        const char* file;
        const char* format;
        bool lossless;
    } files[] = {
        {"p.bmp", "BMP", true}, {"p.jpg", "JPEG", false},       {"p.JPEG", "JPEG", false},
        {"p.ico", "ICO", true}, {"png-named.jpg", "PNG", true},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        ASSERT_TRUE(picture.save(path(f.file), f.format));
        const QImage loaded = PictureView::loadPicture(path(f.file), converter_);
        EXPECT_EQ(loaded.size(), QSize(32, 16));
        if (f.lossless) {
            EXPECT_EQ(colourAt(loaded, 4, 8), kRed);
            EXPECT_EQ(colourAt(loaded, 28, 8), describe(Qt::blue));
        }
    }
}

TEST_F(LoadPicture, RefusesMissingAndUnreadableFilesNamingThem) {
    QFile text(path("notes.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a picture\n");
    text.close();
    QFile(path("empty.bmp")).open(QIODevice::WriteOnly);

    for (const char* name : {"missing.jpg", "notes.jpg", "empty.bmp"}) {
        SCOPED_TRACE(name);
        try {
            PictureView::loadPicture(path(name), converter_);
            ADD_FAILURE() << "no error";
        } catch (const ZulError& e) {
            EXPECT_TRUE(e.message().contains(path(name))) << e.what();
        }
    }
    // A folder is not a picture either.
    EXPECT_THROW(PictureView::loadPicture(dir_.path(), converter_), ZulError);
}
