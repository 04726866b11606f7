// The bitmap slider: value and pixel conversions, the channel by marks, the
// mouse and the keys.
#include "ui/controls/bitmap_slider.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QRgb kTrack = qRgb(200, 0, 0);
const QRgb kRange = qRgb(0, 200, 0);
const QRgb kThumb = qRgb(0, 0, 200);
const QRgb kThumbKey = qRgb(255, 0, 255);

QImage Filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A thumb 23 pixels wide whose corners are in the transparent colour.
QImage Thumb() {
    QImage image = Filled(23, 14, kThumb);
    image.setPixel(0, 0, kThumbKey);
    image.setPixel(22, 0, kThumbKey);
    return image;
}

// The slider of the worked example: 419 pixels, margins 2 and 2, a thumb of
// 23, range 0 to 1000.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider.SetChannelPictures(Filled(419, 20, kTrack), Filled(419, 20, kRange));
        slider.SetThumbPictures(Thumb(), Thumb());
        slider.SetMargins(2, 3, 2, 0);
        slider.SetRange(0, 1000);
        slider.show();
    }

    QRgb ChannelColourAt(int value) {
        // Row 19 lies below the thumb (top 3, height 14).
        return slider.grab().toImage().pixel(slider.PixelOfValue(value), 19) & 0xFFFFFF;
    }

    CBitmapSlider slider;
};

TEST_F(SliderTest, ValuesAndPixelsOfTheWorkedExample) {
    EXPECT_EQ(slider.size(), QSize(419, 20));
    EXPECT_EQ(slider.PixelOfValue(0), 13);
    EXPECT_EQ(slider.PixelOfValue(1000), 405);
    EXPECT_EQ(slider.PixelOfValue(500), 209);
    EXPECT_EQ(slider.ValueOfPixel(209), 500);
    EXPECT_EQ(slider.ValueOfPixel(13), 0);
    EXPECT_EQ(slider.ValueOfPixel(405), 1000);
}

TEST_F(SliderTest, PositionAndMarksStayInTheRange) {
    slider.SetPos(1200);
    EXPECT_EQ(slider.Pos(), 1000);
    slider.SetPos(-5);
    EXPECT_EQ(slider.Pos(), 0);
    slider.SetMarks(-10, 5000, 2);
    EXPECT_EQ(slider.BeginMark(), 0);
    EXPECT_EQ(slider.EndMark(), 1000);
}

struct MarksCase {
    int begin;
    int end;
    int mode;
    // The channel colour at values 100, 400 and 800.
    QRgb at100;
    QRgb at400;
    QRgb at800;
};

TEST_F(SliderTest, ChannelShowsTheMarkedRange) {
    const QRgb t = kTrack & 0xFFFFFF;
    const QRgb r = kRange & 0xFFFFFF;
    const MarksCase cases[] =
        {
            {200, 600, 2, t, r, t}, {200, 1000, 2, t, r, r}, {0, 600, 2, r, r, t},
            {0, 0, 0, r, r, r},     {300, 0, 1, t, r, r},    {0, 0, 1, r, r, r},
            {600, 200, 2, t, r, t}, // given the wrong way round: still between them
        };
    slider.SetPos(1000);
    for (const MarksCase& marks : cases) {
        SCOPED_TRACE(testing::Message()
                     << marks.begin << "-" << marks.end << " mode " << marks.mode);
        slider.SetMarks(marks.begin, marks.end, marks.mode);
        EXPECT_EQ(ChannelColourAt(100), marks.at100);
        EXPECT_EQ(ChannelColourAt(400), marks.at400);
        EXPECT_EQ(ChannelColourAt(800), marks.at800);
    }
}

TEST_F(SliderTest, ThumbDrawsThroughItsTransparentColour) {
    slider.SetMarks(0, 0, 0);
    slider.SetPos(500);
    const QImage shown = slider.grab().toImage();
    const int left = slider.PixelOfValue(500) - 11;
    EXPECT_EQ(shown.pixel(left + 11, 8) & 0xFFFFFF, kThumb & 0xFFFFFF);
    // The thumb's transparent corner shows the channel.
    EXPECT_EQ(shown.pixel(left, 3) & 0xFFFFFF, kRange & 0xFFFFFF);
}

TEST_F(SliderTest, PressAwayFromTheThumbCentresItThere) {
    QSignalSpy moving(&slider, &CBitmapSlider::sliderMoving);
    QSignalSpy moved(&slider, &CBitmapSlider::sliderMoved);
    const int centre = slider.PixelOfValue(0);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(centre + 30, 10));
    EXPECT_EQ(slider.Pos(), slider.ValueOfPixel(centre + 30));
    EXPECT_TRUE(slider.IsDragging());
    ASSERT_EQ(moving.count(), 1);
    EXPECT_EQ(moving.at(0).at(1).toInt(), slider.Pos());
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(centre + 30, 10));
    EXPECT_FALSE(slider.IsDragging());
    EXPECT_EQ(moved.count(), 1);
}

TEST_F(SliderTest, PressOnTheThumbDoesNotMoveIt) {
    slider.SetPos(500);
    QSignalSpy moving(&slider, &CBitmapSlider::sliderMoving);
    QSignalSpy moved(&slider, &CBitmapSlider::sliderMoved);
    const int centre = slider.PixelOfValue(500);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(centre + 5, 10));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(centre + 5, 10));
    EXPECT_EQ(slider.Pos(), 500);
    EXPECT_EQ(moving.count(), 0);
    EXPECT_EQ(moved.count(), 1); // a release reports even when nothing moved
}

TEST_F(SliderTest, DraggingBeyondTheEndsStopsAtTheLimits) {
    slider.SetPos(500);
    const int centre = slider.PixelOfValue(500);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(centre, 10));
    QTest::mouseMove(&slider, QPoint(-200, 10));
    EXPECT_EQ(slider.Pos(), 0);
    QTest::mouseMove(&slider, QPoint(900, 10));
    EXPECT_EQ(slider.Pos(), 1000);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(900, 10));
    // Without a held button a move does nothing.
    QTest::mouseMove(&slider, QPoint(100, 10));
    EXPECT_EQ(slider.Pos(), 1000);
}

TEST_F(SliderTest, KeysMoveThePositionAndReportEachMove) {
    struct KeyCase {
        Qt::Key key;
        int expected;
    };
    const KeyCase keys[] = {
        {Qt::Key_PageDown, 520}, {Qt::Key_PageUp, 500}, {Qt::Key_Right, 501}, {Qt::Key_Down, 502},
        {Qt::Key_Left, 501},     {Qt::Key_Up, 500},     {Qt::Key_End, 1000},  {Qt::Key_Right, 1000},
        {Qt::Key_Home, 0},       {Qt::Key_Left, 0},
    };
    slider.SetPos(500);
    slider.setFocus();
    QSignalSpy moved(&slider, &CBitmapSlider::sliderMoved);
    int reports = 0;
    for (const KeyCase& key : keys) {
        QTest::keyClick(&slider, key.key);
        EXPECT_EQ(slider.Pos(), key.expected) << key.key;
        EXPECT_EQ(moved.count(), ++reports);
        EXPECT_EQ(moved.last().at(1).toInt(), key.expected);
    }
}

} // namespace
