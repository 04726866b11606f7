// The Clip dialog in the main window, offscreen with SDL's dummy sound
// driver: the times it shows and sets, OK, Cancel and the close box, one
// showing per selected row, the picture, the end of playback, and a clip
// converted end to end.
#include "preview/clip_dialog.h"

#include "preview/preview_area.h"
#include "resources/control_ids.h"
#include "tasks/cue_tracks.h"
#include "tasks/task_list.h"
#include "tests/preview/vantiro_test_support.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "tests/ui/window_batch.h"
#include "ui/controls/bitmap_slider.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/skin_pictures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

struct Times {
    std::string start;
    std::string end;
    std::string kept;
    bool operator==(const Times&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Times& times) {
    return out << times.start << " " << times.end << " " << times.kept;
}

class ClipDialogTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = MakeScratchDir("clip_" + name);
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        window = std::make_unique<CQuarvelDlg>(services, locations);
    }

    void AddRow(const std::string& path, const std::string& start, const std::string& end,
                const std::string& duration) {
        window->View().InsertRow(window->View().RowCount(),
                                 {path, start, end, "", " Ready", duration, true});
        UpdateCommandButtons(window->View());
    }

    // Runs the Clip command on the selected rows; `during` acts in each
    // showing of the dialog and must end it.
    void ClipSelected(const std::function<void(CClipDialog&)>& during) {
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CClipDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog->isVisible()) {
                ++showings;
                during(*dialog);
                if (dialog->isVisible()) {
                    dialog->reject(); // a test that forgot to end it fails below
                    ADD_FAILURE() << "the dialog was left open";
                }
            }
        });
        watcher.start(10);
        auto* clip = FindControlAs<QAbstractButton>(*window, ids::kClip);
        clip->setEnabled(true);
        clip->click();
    }

    void ClipRow(int row, const std::function<void(CClipDialog&)>& during) {
        window->View().SetRowSelected(row, true);
        ClipSelected(during);
    }

    static Times ShownTimes(const CClipDialog& dialog) {
        auto text = [&](int id) { return FindControlAs<QLabel>(dialog, id)->text().toStdString(); };
        return {text(ids::kClipStartText), text(ids::kClipEndText), text(ids::kClipLengthText)};
    }

    static CBitmapSlider& Slider(const CClipDialog& dialog) {
        return *FindControlAs<CBitmapSlider>(dialog, ids::kClipPosition);
    }

    static void Click(const CClipDialog& dialog, int id) {
        FindControlAs<QAbstractButton>(dialog, id)->click();
    }

    // Drags the slider to `position` as the user would, and lets the
    // posted seek run.
    static void SeekTo(CClipDialog& dialog, int position) {
        CBitmapSlider& slider = Slider(dialog);
        slider.SetPos(position);
        emit slider.sliderMoving(ids::kClipPosition, position);
        QCoreApplication::processEvents();
    }

    Times RowTimes(int row) const {
        return {window->View().RowText(row, ColumnStart), window->View().RowText(row, ColumnEnd),
                ""};
    }

    std::string scratch;
    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
    int showings = 0;
};

TEST_F(ClipDialogTest, ShowsTheTasksTimesAndItsKeptRange) {
    AddRow(FixturePath("ten_minutes.wav"), "00:01:00", "00:03:00", "600");
    ClipRow(0, [](CClipDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Clip");
        EXPECT_TRUE(dialog.IsPlaying());
        EXPECT_EQ(ShownTimes(dialog), (Times{"00:01:00", "00:03:00", "00:02:00"}));
        EXPECT_EQ(Slider(dialog).BeginMark(), 100);
        EXPECT_EQ(Slider(dialog).EndMark(), 300);
        EXPECT_EQ(Slider(dialog).MarkMode(), 2);
        Click(dialog, ids::kClipCancel);
    });
    EXPECT_EQ(showings, 1);
}

TEST_F(ClipDialogTest, SetBeginSetEndAndResetRewriteTimesAndMarks) {
    AddRow(FixturePath("ten_minutes.wav"), "00:00:00", "00:10:00", "600");
    ClipRow(0, [](CClipDialog& dialog) {
        CBitmapSlider& slider = Slider(dialog);
        SeekTo(dialog, 125); // 75 s
        ASSERT_EQ(dialog.CurrentSecond(), 75);
        Click(dialog, ids::kClipSetBegin);
        EXPECT_EQ(ShownTimes(dialog), (Times{"00:01:15", "00:10:00", "00:08:45"}));
        EXPECT_EQ(slider.BeginMark(), 125);
        EXPECT_EQ(slider.MarkMode(), 1);

        // An end before the begin: the times trade places, and so do the marks.
        SeekTo(dialog, 67); // 40 s
        ASSERT_EQ(dialog.CurrentSecond(), 40);
        Click(dialog, ids::kClipSetEnd);
        EXPECT_EQ(ShownTimes(dialog), (Times{"00:00:40", "00:01:15", "00:00:35"}));
        EXPECT_EQ(slider.BeginMark(), 67);
        EXPECT_EQ(slider.EndMark(), 125);
        EXPECT_EQ(slider.MarkMode(), 2);

        SeekTo(dialog, 500); // 300 s, after the begin
        Click(dialog, ids::kClipSetEnd);
        EXPECT_EQ(ShownTimes(dialog), (Times{"00:00:40", "00:05:00", "00:04:20"}));
        EXPECT_EQ(slider.BeginMark(), 67);
        EXPECT_EQ(slider.EndMark(), 500);

        Click(dialog, ids::kClipReset);
        EXPECT_EQ(ShownTimes(dialog), (Times{"00:00:00", "00:10:00", "00:10:00"}));
        EXPECT_EQ(slider.MarkMode(), 0);
        // The whole channel shows the kept-range picture.
        const QImage shown = slider.grab().toImage();
        const QImage range = SkinPicture(ids::kSliderRangeBitmap, shown.devicePixelRatio());
        for (int value : {50, 800, 950}) {
            const int x = slider.PixelOfValue(value);
            if (std::abs(x - slider.PixelOfValue(slider.Pos())) < 15) {
                continue; // under the thumb
            }
            EXPECT_EQ(shown.pixel(x, 1), range.pixel(x, 1)) << value;
        }
        Click(dialog, ids::kClipCancel);
    });
}

TEST_F(ClipDialogTest, OkWritesTheShownTimesCancelAndTheCloseBoxKeepTheRow) {
    enum class End { Ok, Cancel, CloseBox };
    const struct {
        End end;
        Times expected;
    } cases[] = {
        {End::Ok, {"00:01:15", "00:10:00", ""}},
        {End::Cancel, {"00:00:00", "00:10:00", ""}},
        {End::CloseBox, {"00:00:00", "00:10:00", ""}},
    };
    for (const auto& endCase : cases) {
        SCOPED_TRACE(static_cast<int>(endCase.end));
        window->View().RemoveAllRows();
        AddRow(FixturePath("ten_minutes.wav"), "00:00:00", "00:10:00", "600");
        ClipRow(0, [&](CClipDialog& dialog) {
            SeekTo(dialog, 125);
            Click(dialog, ids::kClipSetBegin);
            if (endCase.end == End::Ok) {
                Click(dialog, ids::kClipOk);
            } else if (endCase.end == End::Cancel) {
                Click(dialog, ids::kClipCancel);
            } else {
                dialog.close();
            }
        });
        EXPECT_EQ(RowTimes(0), endCase.expected);
    }
    EXPECT_EQ(showings, 3);
}

TEST_F(ClipDialogTest, ThreeSelectedRowsOpenInTurn) {
    const std::string files[] = {FixturePath("stereo44.wav"), FixturePath("mono8.wav"),
                                 FixturePath("tagged.ogg")};
    for (const std::string& file : files) {
        AddRow(file, "00:00:00", "00:00:03", "3");
    }
    for (int row = 0; row < 3; ++row) {
        window->View().SetRowSelected(row, true);
    }
    std::vector<std::string> opened;
    ClipSelected([&](CClipDialog& dialog) {
        opened.push_back(dialog.ownerDialog->RowText(dialog.clipRow, ColumnSource));
        Click(dialog, ids::kClipCancel);
    });
    EXPECT_EQ(opened, std::vector<std::string>(std::begin(files), std::end(files)));
}

// A file shorter than one second has a duration text of 0: the marks come
// from its real duration and the whole file is kept.
TEST_F(ClipDialogTest, FileShorterThanOneSecondKeepsItsWholeRange) {
    AddRow(FixturePath("short_sound.wav"), "00:00:00", "00:00:00", "0");
    ClipRow(0, [](CClipDialog& dialog) {
        EXPECT_EQ(Slider(dialog).BeginMark(), 0);
        EXPECT_EQ(Slider(dialog).EndMark(), 1000);
        Click(dialog, ids::kClipSetBegin);
        EXPECT_EQ(ShownTimes(dialog), (Times{"00:00:00", "00:00:00", "00:00:00"}));
        Click(dialog, ids::kClipOk);
    });
    EXPECT_EQ(RowTimes(0), (Times{"00:00:00", "00:00:00", ""}));
}

// 150 pixels wide: each picture row is padded to 452 bytes, and the preview
// shows it straight.
TEST_F(ClipDialogTest, VideoPictureAppearsStraightInThePreviewArea) {
    const std::string path = FixturePath("odd_width.mp4");
    AddRow(path, "00:00:00", "00:00:03", "3");
    QImage shown;
    ClipRow(0, [&](CClipDialog& dialog) {
        auto* area = FindControlAs<PreviewArea>(dialog, ids::kClipPreview);
        EXPECT_TRUE(WaitFor(
            [&] {
                QCoreApplication::processEvents();
                return !area->ShownPicture().isNull();
            },
            5000));
        shown = area->ShownPicture();
        Click(dialog, ids::kClipCancel);
    });
    ASSERT_EQ(shown.size(), QSize(150, 90));
    const std::vector<uint8_t> reference = ReferencePicture(path, 0.2);
    ASSERT_EQ(reference.size(), 150u * 90 * 3);
    // Column by column the picture matches; a sheared one drifts by 2 bytes a row.
    double difference = 0;
    for (int y = 0; y < 90; ++y) {
        for (int x = 0; x < 150; ++x) {
            const QRgb pixel = shown.pixel(x, y);
            const uint8_t* bgr = reference.data() + (y * 150 + x) * 3;
            difference += std::abs(qBlue(pixel) - bgr[0]) + std::abs(qGreen(pixel) - bgr[1]) +
                          std::abs(qRed(pixel) - bgr[2]);
        }
    }
    EXPECT_LT(difference / (150.0 * 90 * 3), 12.0);
}

TEST_F(ClipDialogTest, EndOfPlaybackStopsAndRewinds) {
    AddRow(FixturePath("short_sound.wav"), "00:00:00", "00:00:00", "0");
    ClipRow(0, [](CClipDialog& dialog) {
        ASSERT_TRUE(dialog.IsPlaying());
        EXPECT_TRUE(Slider(dialog).isEnabled());
        EXPECT_TRUE(WaitFor(
            [&] {
                QCoreApplication::processEvents();
                return !dialog.IsPlaying();
            },
            6000));
        EXPECT_FALSE(Slider(dialog).isEnabled());
        EXPECT_EQ(Slider(dialog).Pos(), 0);
        EXPECT_EQ(FindControlAs<QAbstractButton>(dialog, ids::kClipPlay)->toolTip(), "Play");
        Click(dialog, ids::kClipCancel);
    });
}

TEST_F(ClipDialogTest, LongNonLatinPathPlays) {
    std::filesystem::path folder = scratch;
    for (int level = 0; level < 10; ++level) {
        folder /= "Звук_Ήχος_音楽_папка_" + std::to_string(level);
    }
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "клип_音.wav";
    std::filesystem::copy_file(FixturePath("stereo44.wav"), file);
    AddRow(file.string(), "00:00:00", "00:00:05", "5");
    ClipRow(0, [](CClipDialog& dialog) {
        double duration = 0;
        Vantiro_GetDuration(&duration);
        EXPECT_NEAR(duration, 5.0, 0.05);
        EXPECT_TRUE(dialog.IsPlaying());
        Click(dialog, ids::kClipCancel);
    });
}

TEST_F(ClipDialogTest, ClipSetInTheDialogConvertsIntoThatWindow) {
    AddRow(FixturePath("ten_minutes.wav"), "00:00:00", "00:10:00", "600");
    ClipRow(0, [](CClipDialog& dialog) {
        SeekTo(dialog, 4); // 2.4 s
        Click(dialog, ids::kClipSetBegin);
        SeekTo(dialog, 9); // 5.4 s
        Click(dialog, ids::kClipSetEnd);
        EXPECT_EQ(ShownTimes(dialog), (Times{"00:00:02", "00:00:05", "00:00:03"}));
        Click(dialog, ids::kClipOk);
    });
    ASSERT_EQ(RowTimes(0), (Times{"00:00:02", "00:00:05", ""}));

    std::filesystem::create_directories(scratch + "/bin");
    ConvertAndWait(*window, 60000);
    ASSERT_EQ(window->View().RowText(0, ColumnStatus), "Completed");
    std::vector<std::string> outputs;
    for (const auto& entry : std::filesystem::directory_iterator(locations.defaultFolder)) {
        outputs.push_back(entry.path().string());
    }
    ASSERT_EQ(outputs.size(), 1u);
    const ProbedAudio probed = ProbeAudio(outputs[0]);
    ASSERT_TRUE(probed.ok);
    EXPECT_NEAR(probed.duration, 3.0, 0.1);
}

} // namespace

namespace {

// The place of control `id` in the Clip dialog, as its template gives it.
QRect TemplatePlace(int id) {
    const DialogTemplate& clip = *FindDialogTemplate(ids::kClipDialog);
    for (const ControlTemplate& control : clip.controls) {
        if (control.id == id) {
            return DialogUnitsToPixels(
                BackgroundUnitScale(clip, SkinPictureSize(ids::kClipBackgroundBitmap)),
                control.rect);
        }
    }
    return {};
}

// A button's visible shape in dialog coordinates.
QRegion ShapeInDialog(const CClipDialog& dialog, int id) {
    const QWidget& button = *FindControl(dialog, id);
    return button.mask().translated(button.geometry().topLeft());
}

} // namespace

// The template's Play and Stop places overlap and sit one unit apart in
// height; the buttons' shapes must still stand apart and in line.
TEST_F(ClipDialogTest, PlayAndStopStandApartAndInLineOnTheirTemplatePlaces) {
    AddRow(FixturePath("stereo44.wav"), "00:00:00", "00:00:05", "5");
    ClipRow(0, [](CClipDialog& dialog) {
        for (int id : {ids::kClipPlay, ids::kClipStop}) {
            EXPECT_EQ(FindControl(dialog, id)->geometry(), TemplatePlace(id)) << id;
        }
        const QRegion play = ShapeInDialog(dialog, ids::kClipPlay);
        const QRegion stop = ShapeInDialog(dialog, ids::kClipStop);
        ASSERT_FALSE(play.isEmpty());
        ASSERT_FALSE(stop.isEmpty());
        EXPECT_FALSE(play.intersects(stop));
        // Not even touching: a pixel's step to the right keeps them apart.
        EXPECT_FALSE(play.translated(1, 0).intersects(stop));
        EXPECT_EQ(play.boundingRect().top(), stop.boundingRect().top());
        EXPECT_EQ(play.boundingRect().bottom(), stop.boundingRect().bottom());
        Click(dialog, ids::kClipCancel);
    });
}

namespace {

// A row that is one track of an album image plays the image from the track's
// start; a row of a whole file clipped to the same times plays from its start.
TEST_F(ClipDialogTest, ATrackOfAnAlbumImagePlaysFromTheTracksStart) {
    auto track = std::make_shared<CueTrack>();
    track->start = 120 * kCueFramesPerSecond;
    track->end = 180 * kCueFramesPerSecond;
    track->imageDurationMicros = 600000000;
    track->name = "02 - Track 02";
    AddRow(FixturePath("ten_minutes.wav"), "00:02:00", "00:03:00", "600");
    window->View().SetRowTrack(0, track);
    AddRow(FixturePath("ten_minutes.wav"), "00:02:00", "00:03:00", "600");
    std::vector<int> positionsAtShowing; // of the slider, 0 to 1000
    window->View().SetRowSelected(0, true);
    window->View().SetRowSelected(1, true);
    ClipSelected([&](CClipDialog& dialog) {
        positionsAtShowing.push_back(Slider(dialog).Pos());
        dialog.reject();
    });
    ASSERT_EQ(positionsAtShowing.size(), 2u);
    EXPECT_GE(positionsAtShowing[0], 200); // 120 s of 600
    EXPECT_LT(positionsAtShowing[0], 210);
    EXPECT_LT(positionsAtShowing[1], 10);
}

} // namespace
