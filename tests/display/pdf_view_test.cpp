#include <gtest/gtest.h>

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include "display/viewers.h"
#include "platform/errors.h"

using namespace zul;

namespace {

// Pages of 150 x 75 points, each filled with one colour.
const QSizeF kPagePoints(150, 75);

void writePdf(const QString& path, const std::vector<QColor>& pages) {
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(kPagePoints, QPageSize::Point, {}, QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            writer.newPage();
        }
        painter.fillRect(QRectF(QPointF(0, 0), kPagePoints), pages[i]);
    }
}

std::string colourAt(const QImage& image, QPoint at) {
    return image.pixelColor(at).name().toStdString();
}

const std::string kRed = QColor(Qt::red).name().toStdString();
const std::string kBlue = QColor(Qt::blue).name().toStdString();
const std::string kBlack = QColor(Qt::black).name().toStdString();

class PdfViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        pdf_ = dir_.filePath(QStringLiteral("two pages.pdf"));
        writePdf(pdf_, {Qt::red, Qt::blue});
        view_.resize(300, 300);
        view_.load(pdf_);
    }

    QImage shot() { return view_.grab().toImage(); }

    QTemporaryDir dir_;
    QString pdf_;
    PdfView view_;
};

}  // namespace

TEST_F(PdfViewTest, RendersTheFirstPageForEachFitMode) {
    ASSERT_EQ(view_.pageCount(), 2);
    EXPECT_EQ(view_.currentPage(), 0);
    EXPECT_EQ(view_.fitMode(), PdfView::FitMode::Natural);

    // The page's own size: points at 1/72 inch on this screen, at the top-left corner.
    const QSize natural(static_cast<int>(std::lround(150.0 * view_.logicalDpiX() / 72.0)),
                        static_cast<int>(std::lround(75.0 * view_.logicalDpiY() / 72.0)));
    ASSERT_LT(natural.width(), 290);
    const struct {
        const char* name;
        PdfView::FitMode mode;
        QRect drawn;
        std::vector<std::pair<QPoint, std::string>> probes;
    } cases[] = {
        {"natural",
         PdfView::FitMode::Natural,
         QRect(QPoint(0, 0), natural),
         {{{5, 5}, kRed},
          {{natural.width() - 3, natural.height() - 3}, kRed},
          {{natural.width() + 3, 5}, kBlack},
          {{5, natural.height() + 3}, kBlack}}},
        {"stretch",
         PdfView::FitMode::Stretch,
         QRect(0, 0, 300, 300),
         {{{2, 2}, kRed}, {{150, 297}, kRed}, {{297, 150}, kRed}}},
        {"scale",
         PdfView::FitMode::Scale,
         QRect(0, 75, 300, 150),
         {{{150, 70}, kBlack},
          {{150, 80}, kRed},
          {{150, 220}, kRed},
          {{150, 230}, kBlack},
          {{2, 150}, kRed},
          {{297, 150}, kRed}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view_.setFitMode(c.mode);
        EXPECT_EQ(view_.drawnRect(), c.drawn);
        const QImage image = shot();
        for (const auto& [at, colour] : c.probes) {
            EXPECT_EQ(colourAt(image, at), colour) << "at " << at.x() << "," << at.y();
        }
    }
}

TEST_F(PdfViewTest, FitsThePageIntoThePartThatTheParentLetsBeSeen) {
    // The content area is 200 x 100; the viewer is 20 pixels wider (a scroll-bar margin)
    // and, with the caption strip at the top, starts lower and runs off the foot.
    QWidget area;
    area.resize(200, 100);
    PdfView view(&area);
    view.load(pdf_);  // 150 x 75 points: twice as wide as high
    const struct {
        const char* name;
        QRect viewer;
        PdfView::FitMode mode;
        QRect drawn;
    } cases[] = {
        {"bottom caption, scale", {0, 0, 220, 80}, PdfView::FitMode::Scale, {20, 0, 160, 80}},
        {"bottom caption, stretch", {0, 0, 220, 80}, PdfView::FitMode::Stretch, {0, 0, 200, 80}},
        {"top caption, scale", {0, 30, 220, 100}, PdfView::FitMode::Scale, {30, 0, 140, 70}},
        {"top caption, stretch", {0, 30, 220, 100}, PdfView::FitMode::Stretch, {0, 0, 200, 70}},
        {"inside the area", {10, 0, 100, 100}, PdfView::FitMode::Scale, {0, 25, 100, 50}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view.setGeometry(c.viewer);
        view.setFitMode(c.mode);
        EXPECT_EQ(view.drawnRect(), c.drawn);
    }
}

TEST_F(PdfViewTest, RendersAPageOnceUntilPageSizeOrFitChanges) {
    view_.setFitMode(PdfView::FitMode::Scale);
    shot();
    const int first = view_.renderCount();
    EXPECT_GE(first, 1);
    shot();
    view_.setFitMode(PdfView::FitMode::Scale);
    EXPECT_EQ(view_.renderCount(), first) << "a repaint rendered the page again";

    view_.resize(400, 300);
    shot();
    EXPECT_EQ(view_.renderCount(), first + 1);
    view_.setFitMode(PdfView::FitMode::Stretch);
    shot();
    EXPECT_EQ(view_.renderCount(), first + 2);

    ASSERT_TRUE(view_.setPage(1));
    EXPECT_EQ(colourAt(shot(), {200, 150}), kBlue);
    EXPECT_EQ(view_.renderCount(), first + 3);
}

TEST_F(PdfViewTest, TurnsPagesWithinTheDocumentOnly) {
    view_.setFitMode(PdfView::FitMode::Stretch);
    EXPECT_EQ(colourAt(shot(), {150, 150}), kRed);
    ASSERT_TRUE(view_.setPage(1));
    EXPECT_EQ(view_.currentPage(), 1);
    EXPECT_EQ(colourAt(shot(), {150, 150}), kBlue);

    EXPECT_FALSE(view_.setPage(2));
    EXPECT_FALSE(view_.setPage(-1));
    EXPECT_EQ(view_.currentPage(), 1);
    EXPECT_EQ(colourAt(shot(), {150, 150}), kBlue);

    ASSERT_TRUE(view_.setPage(0));
    EXPECT_EQ(colourAt(shot(), {150, 150}), kRed);
}

TEST_F(PdfViewTest, ABadFileRaisesAnErrorAndKeepsTheShownPage) {
    view_.setFitMode(PdfView::FitMode::Stretch);
    ASSERT_TRUE(view_.setPage(1));

    QFile original(pdf_);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    const struct {
        const char* name;
        QByteArray content;  // no file at all when null
    } bad[] = {
        {"missing.pdf", QByteArray()},
        {"text.pdf", QByteArray("%PDF-1.4\nthis is no PDF body\n")},
        {"truncated.pdf", bytes.left(bytes.size() / 3)},
        {"empty.pdf", QByteArray("")},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.name);
        const QString path = dir_.filePath(QString::fromLatin1(b.name));
        if (!b.content.isNull()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(b.content);
        }
        try {
            view_.load(path);
            ADD_FAILURE() << "no error";
        } catch (const ZulError& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.what();
        }
        EXPECT_EQ(view_.fileName(), pdf_);
        EXPECT_EQ(view_.pageCount(), 2);
        EXPECT_EQ(view_.currentPage(), 1);
        EXPECT_EQ(colourAt(shot(), {150, 150}), kBlue);
    }
}

TEST_F(PdfViewTest, ClearShowsBlackAndANewDocumentStartsAtItsFirstPage) {
    ASSERT_TRUE(view_.setPage(1));
    view_.clear();
    EXPECT_FALSE(view_.isLoaded());
    EXPECT_EQ(view_.pageCount(), 0);
    EXPECT_FALSE(view_.setPage(0));
    EXPECT_EQ(colourAt(shot(), {5, 5}), kBlack);

    const QString other = dir_.filePath(QStringLiteral("other.pdf"));
    writePdf(other, {Qt::blue, Qt::red, Qt::red});
    view_.load(other);
    view_.setFitMode(PdfView::FitMode::Stretch);
    EXPECT_EQ(view_.pageCount(), 3);
    EXPECT_EQ(view_.currentPage(), 0);
    EXPECT_EQ(colourAt(shot(), {150, 150}), kBlue);
}
