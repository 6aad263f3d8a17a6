// The parts preview and the position window write into the parts editor's selected row: a
// mouse drag on the preview, and the window's own rectangle on "OK".
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include "content/Zul2_fpset.h"
#include "content/Zul2_posview.h"
#include "content/Zul2e_disp.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/colour.h"
#include "recording_dialogs.h"

using namespace zul;

namespace {

class PartsPreview : public ::testing::Test {
protected:
    void SetUp() override {
        QByteArrayList first = emptyPartRow();
        first[kColId] = "1";
        first[kColBackColour] = "255";
        QByteArrayList second = emptyPartRow();
        second[kColId] = "2";
        editor_.setRows({first, second});
        editor_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor_));
    }

    QByteArrayList rect(int r) const {
        return {editor_.cell(r, kColTop), editor_.cell(r, kColLeft), editor_.cell(r, kColHeight),
                editor_.cell(r, kColWidth)};
    }

    Settings settings_;
    test::RecordingDialogs dialogs_;
    DebugLog log_;
    TFP_Edit editor_{settings_, dialogs_, log_};
};

}  // namespace

TEST_F(PartsPreview, ADragWritesTopLeftHeightAndWidth) {
    TRE_Disp preview(editor_);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    EXPECT_EQ(preview.size(), QSize(512, 384)) << "half of 1024 x 768";
    QWidget* panel = preview.Panel1();
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 512, 384));
    EXPECT_EQ(panel->cursor().shape(), Qt::CrossCursor);

    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_TRUE(preview.dragging());
    EXPECT_EQ(editor_.cell(1, kColTop), "100") << "the press sets the corner";
    EXPECT_EQ(editor_.cell(1, kColLeft), "200");
    QTest::mouseMove(panel, QPoint(200, 100));
    QTest::mouseMove(panel, QPoint(300, 150));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(300, 150));
    EXPECT_FALSE(preview.dragging());
    EXPECT_EQ(rect(1), (QByteArrayList{"100", "200", "200", "400"}));
    EXPECT_EQ(rect(2), (QByteArrayList{"0", "0", "0", "0"})) << "the other row was only drawn";
    // The editor drew the part at once.
    const QImage& picture = editor_.previewPicture();
    EXPECT_EQ(fromQColor(picture.pixelColor(210, 110)), 255);
    EXPECT_EQ(fromQColor(picture.pixelColor(590, 290)), 255);
    EXPECT_NE(fromQColor(picture.pixelColor(610, 310)), 255);

    // Upwards to the left beyond the picture: the rectangle between the points, inside it.
    editor_.selectRow(2);
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(60, 40));
    QTest::mouseMove(panel, QPoint(-30, -20));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(-30, -20));
    EXPECT_EQ(rect(2), (QByteArrayList{"0", "0", "80", "120"}));

    // Other buttons do not drag.
    QTest::mousePress(panel, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_FALSE(preview.dragging());
    QTest::mouseRelease(panel, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(rect(2), (QByteArrayList{"0", "0", "80", "120"}));
}

TEST_F(PartsPreview, FollowsTheCaptionStripSettings) {
    TRE_Disp preview(editor_);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    ASSERT_EQ(preview.logicalDpiY(), 96);
    editor_.findChild<QSpinBox*>(QStringLiteral("StrFont"))->setValue(36);
    EXPECT_FALSE(preview.StrFlame()->isVisible());
    editor_.findChild<QCheckBox*>(QStringLiteral("ChkStr"))->setChecked(true);
    // 2 * 36 * 96 / 72 = 96 display pixels, 48 in the preview.
    EXPECT_EQ(preview.Panel1()->geometry(), QRect(0, 0, 512, 336));
    EXPECT_EQ(preview.StrFlame()->geometry().top(), 336);
    EXPECT_TRUE(preview.StrFlame()->isVisible());
    EXPECT_EQ(preview.size(), QSize(512, 384));
}

TEST_F(PartsPreview, PositionWindowOkWritesItsRectangle) {
    TPosView chooser(editor_);
    EXPECT_EQ(chooser.size(), QSize(TPosView::kWidth, TPosView::kHeight));
    EXPECT_TRUE(chooser.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(chooser.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    // The frame counts: the window is sized so that with its frame it is 300 x 100.
    const QSize frameExtra = chooser.frameGeometry().size() - chooser.size();
    chooser.move(10, 20);
    chooser.resize(QSize(300, 100) - frameExtra);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return chooser.frameGeometry().topLeft() == QPoint(10, 20); }));
    const QRect frame = chooser.frameGeometry();
    QTest::mouseClick(chooser.Button1(), Qt::LeftButton);
    EXPECT_EQ(rect(1), (QByteArrayList{
                           QByteArray::number(frame.top()), QByteArray::number(frame.left()),
                           QByteArray::number(frame.height()), QByteArray::number(frame.width())}));
    EXPECT_EQ(rect(1), (QByteArrayList{"20", "10", "100", "300"}));
    EXPECT_TRUE(chooser.isVisible()) << "the window stays open";

    // Almost invisible: the slider at its end; OK still writes.
    chooser.TrackBar1()->setFocus();
    QTest::keyClick(chooser.TrackBar1(), Qt::Key_Home);
    EXPECT_EQ(chooser.opacity(), 10);
    chooser.move(40, 50);
    editor_.selectRow(2);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return chooser.frameGeometry().topLeft() == QPoint(40, 50); }));
    QTest::mouseClick(chooser.Button1(), Qt::LeftButton);
    EXPECT_EQ(rect(2), (QByteArrayList{"50", "40", "100", "300"}));

    // As small as a part may be; Enter stands for the button that may not show then.
    chooser.resize(QSize(60, 18) - frameExtra);
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser.frameGeometry().size() == QSize(60, 18); }));
    QTest::keyClick(&chooser, Qt::Key_Return);
    EXPECT_EQ(rect(2), (QByteArrayList{"50", "40", "18", "60"}));
}

// Without a compositor the window paints the screen under it itself: at the slider's low
// end what lies below shows through, at its high end the window's own face.
TEST_F(PartsPreview, PositionWindowIsPaintedSeeThrough) {
    QWidget below;
    below.setWindowFlags(Qt::FramelessWindowHint);
    QPalette red;
    red.setColor(QPalette::Window, QColor(255, 0, 0));
    below.setPalette(red);
    below.setAutoFillBackground(true);
    below.setGeometry(0, 0, 600, 400);
    below.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&below));
    QTest::qWait(50);

    TPosView chooser(editor_);
    chooser.move(100, 100);
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    const QPoint inside(chooser.width() - 4, chooser.height() - 4);
    const QColor face = chooser.grab().toImage().pixelColor(inside);
    EXPECT_LT(face.red() - face.green(), 40) << "opaque: the window's own face";

    chooser.TrackBar1()->setValue(10);
    const QColor through = chooser.grab().toImage().pixelColor(inside);
    EXPECT_GT(through.red(), 220);
    EXPECT_LT(through.green(), 40);
    EXPECT_LT(through.blue(), 40);
}
