// The skinned main window: controls on their places of the background
// whatever the desktop font, the pictures of each button state, the hand over
// every button place, and the window drawn as the reference images show it.
#include "resources/control_ids.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "tests/ui/focus_ring_check.h"
#include "ui/about_dialog.h"
#include "ui/controls/control_button.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"
#include "ui/main_window_skin.h"
#include "ui/skin_pictures.h"

#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using veltrano::test::FixturePath;
using veltrano::test::MakeScratchDir;

class MainWindowSkinTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::string scratch = MakeScratchDir("ui_skin_" + name);
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
    }

    void MakeWindow() { window = std::make_unique<CQuarvelDlg>(services, locations); }

    CControlButton& Button(int id) { return *FindControlAs<CControlButton>(*window, id); }

    void Drop(const std::string& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent drop(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
    }

    // The pointer moved by the window system, as a user moves it: the moves
    // reach the window's controls the way Qt hands them on (none to a
    // disabled control), and the cursor is the one the window shows.
    Qt::CursorShape CursorAfterMoveTo(QPoint point) {
        QWindow* handle = window->windowHandle();
        if (handle == nullptr) {
            ADD_FAILURE() << "the window is not shown";
            return Qt::BlankCursor;
        }
        QTest::mouseMove(handle, point);
        return handle->cursor().shape();
    }

    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
};

struct Place {
    int id;
    QRect rect;
};

// 503 x 307 units on the 880 x 540 background.
const Place kPlaces[] = {
    {ids::kAdd, {12, 23, 136, 60}},
    {ids::kHelp, {184, 23, 133, 60}},
    {ids::kTaskList, {12, 99, 528, 274}},
    {ids::kCut, {82, 382, 70, 56}},
    {ids::kFileInformation, {395, 382, 68, 53}},
    {ids::kConvert, {668, 431, 187, 81}},
    {ids::kClose, {861, 0, 17, 25}},
};

TEST_F(MainWindowSkinTest, ControlsSitOnTheirPlacesOfTheBackgroundWhateverTheDesktopFont) {
    const QFont desktopFont = QApplication::font();
    std::vector<QSize> aboutSizes;
    // A wider desktop font, as a larger font setting gives: wider letters.
    for (int spacing : {0, 4}) {
        QFont font = desktopFont;
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        QApplication::setFont(font);
        MakeWindow();
        EXPECT_EQ(window->size(), QSize(880, 540)) << spacing;
        EXPECT_EQ(window->size(), SkinPictureSize(kMainBackgroundPicture));
        for (const Place& place : kPlaces) {
            EXPECT_EQ(FindControl(*window, place.id)->geometry(), place.rect)
                << "control " << place.id << " with letter spacing " << spacing;
        }
        // The controls that show text use the desktop font.
        EXPECT_EQ(FindControl(*window, ids::kFormatCombo)->font().letterSpacing(), spacing);
        {
            CAbout about(shell, dialogs, window.get());
            aboutSizes.push_back(about.size());
        }
        window.reset();
    }
    QApplication::setFont(desktopFont);
    // Other dialogs keep following the desktop font.
    EXPECT_LT(aboutSizes[0].width(), aboutSizes[1].width());
}

TEST_F(MainWindowSkinTest, ButtonsAreSkinnedAtStartUpWithTheirStatesPictures) {
    MakeWindow();
    const std::pair<int, int> shownAtStart[] = {
        {ids::kAdd, 177},
        {ids::kHelp, 181},
        {ids::kCut, 229},
        {ids::kEmpty, 212},
        {ids::kFileInformation, 261},
        {ids::kSetting, 200},
        {ids::kBrowse, 199},
        {ids::kFindTarget, 204},
        {ids::kConvert, 279},
        {ids::kAbout, 254},
        {ids::kMinimise, 207},
        {ids::kClose, 209},
    };
    for (const auto& [id, picture] : shownAtStart) {
        EXPECT_EQ(Button(id).ShownImageId(), picture) << "button " << id;
        EXPECT_FALSE(Button(id).mask().isEmpty()) << "button " << id;
    }
    const QRegion convertShape =
        CControlButton::RegionFromNonWhite(SkinPicture(186, window->devicePixelRatioF()));
    EXPECT_TRUE(Button(ids::kConvert).mask().xored(convertShape).isEmpty());
}

TEST_F(MainWindowSkinTest,
       ConvertShowsItsDisabledPictureUntilTheFirstTaskThenHoverUnderThePointer) {
    MakeWindow();
    window->show();
    CControlButton& convert = Button(ids::kConvert);
    EXPECT_FALSE(convert.isEnabled());
    EXPECT_EQ(convert.ShownImageId(), 279);
    // Disabled, its place still shows the hand.
    EXPECT_EQ(CursorAfterMoveTo(convert.geometry().center()), Qt::BitmapCursor);
    EXPECT_EQ(convert.cursor().shape(), Qt::BitmapCursor);

    Drop(FixturePath("stereo44.wav"));
    ASSERT_EQ(window->View().RowCount(), 1);
    EXPECT_TRUE(convert.isEnabled());
    EXPECT_EQ(convert.ShownImageId(), 186);

    const QPointF inside(90, 40);
    QEnterEvent enter(inside, inside, convert.mapToGlobal(inside));
    QApplication::sendEvent(&convert, &enter);
    EXPECT_EQ(convert.ShownImageId(), 185);

    window->View().SetButtonEnabled(ids::kConvert, false);
    EXPECT_EQ(convert.ShownImageId(), 279);
}

TEST_F(MainWindowSkinTest, TheHandShowsOverEveryButtonPlaceHiddenOnesIncluded) {
    MakeWindow();
    window->show();
    ASSERT_TRUE(FindControl(*window, ids::kClip)->isHidden());
    // Between Add and Help lies only the hidden Clip button's place; below
    // the list, between Empty and File information, the hidden Merge's.
    EXPECT_EQ(CursorAfterMoveTo(QPoint(165, 50)), Qt::BitmapCursor);
    EXPECT_EQ(CursorAfterMoveTo(QPoint(330, 400)), Qt::BitmapCursor);
    EXPECT_EQ(CursorAfterMoveTo(QPoint(700, 200)), Qt::ArrowCursor);
    // The place's bounds count: the Close button's bottom-right corner.
    EXPECT_EQ(CursorAfterMoveTo(QPoint(878, 25)), Qt::BitmapCursor);
    EXPECT_EQ(CursorAfterMoveTo(QPoint(850, 60)), Qt::ArrowCursor);
}

struct PointerPlace {
    const char* what;
    QPoint point;
    Qt::CursorShape expected;
};

// Each place is reached from the background, where the arrow shows.
const PointerPlace kPointerPlaces[] = {
    {"enabled Add", {80, 50}, Qt::BitmapCursor},
    {"enabled Browse", {500, 496}, Qt::BitmapCursor},
    {"enabled Close, its bottom-right corner", {878, 25}, Qt::BitmapCursor},
    {"disabled Convert", {762, 470}, Qt::BitmapCursor},
    {"disabled Cut", {117, 408}, Qt::BitmapCursor},
    {"disabled Empty", {272, 408}, Qt::BitmapCursor},
    {"disabled Setting", {503, 456}, Qt::BitmapCursor},
    {"disabled File Information", {430, 406}, Qt::BitmapCursor},
    {"hidden Clip, between Add and Help", {165, 50}, Qt::BitmapCursor},
    {"hidden Merge, between Empty and File Information", {330, 400}, Qt::BitmapCursor},
    {"background right of the list", {700, 200}, Qt::ArrowCursor},
    {"background below the small buttons", {850, 60}, Qt::ArrowCursor},
};

TEST_F(MainWindowSkinTest, TheWindowShowsTheHandOverEveryButtonPlaceReachedFromTheBackground) {
    MakeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_FALSE(FindControl(*window, ids::kConvert)->isEnabled());
    const QPoint background(700, 300);
    for (const PointerPlace& place : kPointerPlaces) {
        ASSERT_EQ(CursorAfterMoveTo(background), Qt::ArrowCursor) << "before " << place.what;
        EXPECT_EQ(CursorAfterMoveTo(place.point), place.expected) << place.what;
        // A second move inside the place keeps what the first one showed.
        EXPECT_EQ(CursorAfterMoveTo(place.point - QPoint(1, 1)), place.expected) << place.what;
    }
}

// A button disabled under the pointer, as Convert is when a batch starts,
// keeps the hand.
TEST_F(MainWindowSkinTest, AButtonDisabledUnderThePointerKeepsTheHand) {
    MakeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QPoint overBrowse(500, 496);
    ASSERT_EQ(CursorAfterMoveTo(overBrowse), Qt::BitmapCursor);
    window->View().SetButtonEnabled(ids::kBrowse, false);
    EXPECT_EQ(window->windowHandle()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(CursorAfterMoveTo(overBrowse + QPoint(2, 0)), Qt::BitmapCursor);
    window->View().SetButtonEnabled(ids::kBrowse, true);
    EXPECT_EQ(CursorAfterMoveTo(overBrowse), Qt::BitmapCursor);
}

} // namespace

namespace {

// Every skinned button, enabled so that it can take the focus.
const int kFocusPlaces[] = {
    ids::kAdd,      ids::kHelp,   ids::kCut,        ids::kEmpty,   ids::kFileInformation,
    ids::kSetting,  ids::kBrowse, ids::kFindTarget, ids::kConvert, ids::kAbout,
    ids::kMinimise, ids::kClose};

TEST_F(MainWindowSkinTest, EverySkinnedButtonShowsAnAccentRingAlongItsShapeWhileItHasTheFocus) {
    MakeWindow();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QWidget* elsewhere = FindControl(*window, ids::kOutputCombo);
    for (int id : kFocusPlaces) {
        window->View().SetButtonEnabled(id, true);
        CControlButton& button = Button(id);
        elsewhere->setFocus(Qt::TabFocusReason);
        const double ownShare = AccentShareOfPicture(button.ShownImageId(), 1.0, button.mask());
        EXPECT_LE(AccentShareAlongShape(button.grab().toImage(), button.mask()), ownShare + 0.05)
            << "button " << id << " without the focus";
        button.setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button.hasFocus()) << id;
        const double focusedShare = AccentShareAlongShape(button.grab().toImage(), button.mask());
        EXPECT_GE(focusedShare, 0.9) << "button " << id << " with the focus";
        EXPECT_GE(focusedShare, ownShare + 0.3) << "button " << id << " with the focus";
    }
}

} // namespace
