// The skinned button: its shape from a picture's non-white pixels, and the
// picture it draws in each state.
#include "ui/controls/control_button.h"

#include "tests/ui/focus_ring_check.h"

#include "ui/skin_pictures.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kFace = qRgb(40, 50, 60);

QImage Filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

bool SameArea(const QRegion& a, const QRegion& b) {
    return a.xored(b).isEmpty();
}

// Pixels of `region` by counting, so that overlapping rectangles would show.
int Area(const QRegion& region) {
    int area = 0;
    for (const QRect& rect : region) {
        area += rect.width() * rect.height();
    }
    return area;
}

TEST(ControlButtonShape, AllWhiteGivesNoRegionAndNoWhiteGivesTheWholePicture) {
    EXPECT_TRUE(CControlButton::RegionFromNonWhite(Filled(13, 7, kWhite)).isEmpty());
    const QRegion full = CControlButton::RegionFromNonWhite(Filled(13, 7, kFace));
    EXPECT_TRUE(SameArea(full, QRegion(0, 0, 13, 7)));
    // Nearly white is a colour of the button, not its outside.
    EXPECT_TRUE(SameArea(CControlButton::RegionFromNonWhite(Filled(5, 4, qRgb(254, 255, 255))),
                         QRegion(0, 0, 5, 4)));
}

TEST(ControlButtonShape, AWhiteHoleInsideThePictureIsAHoleInTheButton) {
    QImage picture = Filled(20, 10, kFace);
    for (int y = 3; y < 6; ++y) {
        for (int x = 8; x < 12; ++x) {
            picture.setPixel(x, y, kWhite);
        }
    }
    const QRegion region = CControlButton::RegionFromNonWhite(picture);
    EXPECT_TRUE(SameArea(region, QRegion(0, 0, 20, 10).subtracted(QRegion(8, 3, 4, 3))));
    EXPECT_FALSE(region.contains(QPoint(9, 4)));
    EXPECT_TRUE(region.contains(QPoint(7, 4)));
    EXPECT_TRUE(region.contains(QPoint(12, 4)));
}

TEST(ControlButtonShape, MoreThanTwoThousandRunsAllEndUpInOneRegion) {
    // A chequer board: every other pixel is white, 50 runs a row, 3000 runs.
    QImage picture = Filled(100, 60, kWhite);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = (y % 2); x < picture.width(); x += 2) {
            picture.setPixel(x, y, kFace);
        }
    }
    const QRegion region = CControlButton::RegionFromNonWhite(picture);
    EXPECT_EQ(Area(region), 3000);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            ASSERT_EQ(region.contains(QPoint(x, y)), (x + y) % 2 == 0) << x << "," << y;
        }
    }
}

TEST(ControlButtonShape, APictureAtTwiceThePixelsGivesItsShapeInLogicalPixels) {
    // 4 x 3 logical pixels; one white device pixel takes out its whole
    // logical pixel, so no white ever shows inside the button.
    QImage picture = Filled(8, 6, kFace);
    picture.setPixel(5, 2, kWhite);
    picture.setDevicePixelRatio(2.0);
    EXPECT_TRUE(SameArea(CControlButton::RegionFromNonWhite(picture),
                         QRegion(0, 0, 4, 3).subtracted(QRegion(2, 1, 1, 1))));
}

TEST(ControlButtonShape, TheSkinsButtonShapesMatchTheirPicturesAtEveryScale) {
    for (int id : {177, 186, 229, 269, 196, 199, 204}) {
        const QSize size = SkinPictureSize(id);
        ASSERT_FALSE(size.isEmpty()) << id;
        const QRegion atOne = CControlButton::RegionFromNonWhite(SkinPicture(id, 1.0));
        for (qreal ratio : {1.5, 2.0}) {
            const QRegion scaled = CControlButton::RegionFromNonWhite(SkinPicture(id, ratio));
            // The same place, and at most the outline's pixels differ.
            EXPECT_LE(std::abs(scaled.boundingRect().left() - atOne.boundingRect().left()), 1)
                << id;
            EXPECT_LE(std::abs(scaled.boundingRect().right() - atOne.boundingRect().right()), 1)
                << id;
            EXPECT_LE(Area(scaled.xored(atOne)), size.width() + size.height()) << id;
        }
        // Rounded corners: the picture's corner pixel lies outside the shape.
        EXPECT_FALSE(atOne.contains(QPoint(0, 0))) << id;
        EXPECT_TRUE(atOne.contains(QPoint(size.width() / 2, size.height() / 3))) << id;
    }
}

class ControlButtonStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Convert's pictures: one outline, three faces. Inside a window, as a
        // button's shape is meant.
        window.resize(200, 100);
        button.setParent(&window);
        button.setGeometry(0, 0, 183, 93);
        button.SetShapeFromBitmap(186);
        button.SetImages(185, 186, 279, 185);
        window.show();
    }

    // The drawn button equals picture `id` wherever the shape lets it show.
    void ExpectShows(int id) {
        const QImage drawn = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage picture = SkinPicture(id, drawn.devicePixelRatio());
        int compared = 0;
        for (const QRect& rect : button.mask()) {
            for (int y = rect.top(); y <= rect.bottom(); ++y) {
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    ASSERT_EQ(drawn.pixel(x, y), picture.pixel(x, y))
                        << "picture " << id << " at " << x << "," << y;
                    ++compared;
                }
            }
        }
        EXPECT_GT(compared, 100);
    }

    void Enter() {
        QEnterEvent enter(QPointF(40, 30), QPointF(40, 30), button.mapToGlobal(QPointF(40, 30)));
        QApplication::sendEvent(&button, &enter);
    }

    QWidget window;
    CControlButton button;
};

TEST_F(ControlButtonStateTest, DrawsNormalThenHoverThenPressedThenNormalAgain) {
    EXPECT_TRUE(SameArea(button.mask(), CControlButton::RegionFromNonWhite(SkinPicture(186, 1.0))));
    EXPECT_EQ(button.ShownImageId(), 186);
    ExpectShows(186);

    Enter();
    EXPECT_TRUE(button.IsHovering());
    EXPECT_EQ(button.ShownImageId(), 185);
    ExpectShows(185);

    button.setDown(true);
    EXPECT_EQ(button.ShownImageId(), 279);
    ExpectShows(279);
    button.setDown(false);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHovering());
    ExpectShows(186);
}

TEST_F(ControlButtonStateTest, ADisabledButtonShowsItsDisabledPictureAlsoUnderThePointer) {
    button.setEnabled(false);
    button.SetImages(279, 279, 279, 279);
    Enter();
    EXPECT_EQ(button.ShownImageId(), 279);
    ExpectShows(279);
}

TEST(ControlButton, WithoutPicturesItIsAnOrdinaryButtonWithItsText) {
    CControlButton button;
    button.setText("Play");
    button.resize(80, 30);
    EXPECT_EQ(button.ShownImageId(), 0);
    EXPECT_TRUE(button.mask().isEmpty());
    const QImage drawn = button.grab().toImage();
    // Something was drawn: a plain button is not one flat colour.
    EXPECT_NE(drawn.pixel(1, 1), drawn.pixel(40, 15));
}

TEST(ControlButton, HoldsTheParentBackgroundAndMaskAndDrawsThemOnlyWhenAsked) {
    CControlButton button;
    button.setGeometry(0, 0, 133, 60);
    button.SetParentBackground(290, QRect(12, 23, 133, 60));
    button.SetMask(177);
    button.SetImages(178, 177, 177, 178);
    EXPECT_FALSE(button.maskDrawing);
    button.maskDrawing = true;
    const QImage drawn = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage background = SkinPicture(290, drawn.devicePixelRatio());
    // The corner outside the mask shows the window's background there.
    EXPECT_EQ(drawn.pixel(0, 0), background.pixel(12, 23));
    EXPECT_EQ(drawn.pixel(60, 30), SkinPicture(177, 1.0).pixel(60, 30));
}

// A button whose shape has no pixel at all: it must leave the window's
// background showing and let clicks through, not become a plain rectangle.
struct EmptyShape {
    const char* what;
    std::function<void(CControlButton&)> setShape;
};

const EmptyShape kEmptyShapes[] = {
    {"an all-white picture",
     [](CControlButton& button) {
         button.SetShapeRegion(CControlButton::RegionFromNonWhite(Filled(183, 93, kWhite)));
     }},
    {"a missing picture", [](CControlButton& button) { button.SetShapeFromBitmap(99999); }},
};

TEST(ControlButtonEmptyShape, IsNeitherDrawnNorClickable) {
    const QColor background(12, 200, 40);
    for (const EmptyShape& shape : kEmptyShapes) {
        QWidget window;
        window.resize(200, 100);
        QPalette colours = window.palette();
        colours.setColor(QPalette::Window, background);
        window.setPalette(colours);
        window.setAutoFillBackground(true);
        CControlButton button(&window);
        button.setGeometry(0, 0, 183, 93);
        shape.setShape(button);
        button.SetImages(185, 186, 279, 185);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << shape.what;

        const QImage drawn = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (const QPoint point : {QPoint(1, 1), QPoint(90, 45), QPoint(150, 80)}) {
            EXPECT_EQ(QColor(drawn.pixel(point)), background)
                << shape.what << " at " << point.x() << "," << point.y();
        }
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(90, 45));
        EXPECT_EQ(clicks.count(), 0) << shape.what;
        EXPECT_EQ(window.childAt(90, 45), nullptr) << shape.what;
    }
}

struct FocusCase {
    int shape;
    qreal ratio;
};

// A large and a small shape, each at 100 % and 200 %.
const FocusCase kFocusCases[] = {{186, 1.0}, {186, 2.0}, {209, 1.0}, {209, 2.0}};

// The window with the button at its top-left corner, drawn at `ratio`.
QImage DrawnAt(QWidget& widget, qreal ratio) {
    QImage image(widget.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

TEST(ControlButtonFocus, TheFocusShowsAsAnAccentRingAlongTheShapeAtEveryScale) {
    for (const FocusCase& focus : kFocusCases) {
        QWidget window;
        window.resize(200, 100);
        CControlButton button(&window);
        QPushButton elsewhere(&window);
        elsewhere.setGeometry(0, 95, 10, 5);
        button.setGeometry(0, 0, SkinPictureSize(focus.shape).width(),
                           SkinPictureSize(focus.shape).height());
        button.SetShapeFromBitmap(focus.shape);
        button.SetImages(focus.shape, focus.shape, focus.shape, focus.shape);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        elsewhere.setFocus(Qt::TabFocusReason);
        const double ownShare = AccentShareOfPicture(focus.shape, focus.ratio, button.mask());
        EXPECT_LE(AccentShareAlongShape(DrawnAt(window, focus.ratio), button.mask()),
                  ownShare + 0.05)
            << focus.shape << " at " << focus.ratio << " without the focus";
        button.setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button.hasFocus());
        const double focusedShare =
            AccentShareAlongShape(DrawnAt(window, focus.ratio), button.mask());
        EXPECT_GE(focusedShare, 0.9) << focus.shape << " at " << focus.ratio << " with the focus";
        EXPECT_GE(focusedShare, ownShare + 0.3)
            << focus.shape << " at " << focus.ratio << " with the focus";
    }
}

} // namespace
