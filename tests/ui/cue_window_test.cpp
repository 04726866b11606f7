// An album image with its cue sheet in the window: a row per track, and
// Convert writes a file per track that together hold the image's samples.
#include "ui/main_window.h"

#include "profiles/output_catalogue.h"
#include "resources/control_ids.h"
#include "tasks/main_view.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "tests/ui/window_batch.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/dialog_builder.h"

#include <QComboBox>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

const char* const kSheet = "PERFORMER \"The Band\"\nTITLE \"The Album\"\n"
                           "FILE \"album.wav\" WAVE\n"
                           "  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
                           "  TRACK 02 AUDIO\n    INDEX 00 00:01:10\n    INDEX 01 00:01:37\n"
                           "  TRACK 03 AUDIO\n    TITLE \"Third\"\n    INDEX 01 00:02:71\n";

class CueWindowTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = MakeScratchDir("ui_cue_" + name);
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        locations.appDir = VELTRANO_APP_DIR;
        OutputSettings = OutputParameters{};
        window = std::make_unique<CQuarvelDlg>(services, locations);
        album = scratch + "/Album";
        std::filesystem::create_directories(album);
        // The sheet names a WAV; the image beside it is the FLAC made of it.
        ASSERT_TRUE(MakeMedia("-f lavfi -i anoisesrc=d=3.98765:r=44100:a=0.3:seed=9 -ac 2 "
                              "-sample_fmt s16",
                              album + "/album.flac"));
        WriteBytes(album + "/album.cue", kSheet);
    }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < window->View().RowCount(); ++row) {
            texts.push_back(window->View().RowText(row, column));
        }
        return texts;
    }

    CCheckListCtrl& List() { return *FindControlAs<CCheckListCtrl>(*window, ids::kTaskList); }

    void ChooseFormat(int index) {
        auto& formats = *FindControlAs<QComboBox>(*window, ids::kFormatCombo);
        formats.setCurrentIndex(index);
        emit formats.activated(index);
    }

    std::string scratch;
    std::string album;
    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
};

TEST_F(CueWindowTest, AFolderWithAnImageAndItsSheetGivesARowPerTrackAndConvertsThem) {
    window->AddNamedFiles({album});

    const std::string image = album + "/album.flac";
    EXPECT_EQ(Column(ColumnSource), std::vector<std::string>(3, image));
    EXPECT_EQ(Column(ColumnStart), (std::vector<std::string>{"00:00:00", "00:00:01", "00:00:02"}));
    EXPECT_EQ(Column(ColumnEnd), (std::vector<std::string>{"00:00:01", "00:00:02", "00:00:03"}));
    EXPECT_EQ(Column(ColumnStatus), std::vector<std::string>(3, " Ready"));
    EXPECT_EQ(List().item(0, ColumnSource)->toolTip().toStdString(), "01 - First");
    EXPECT_EQ(List().item(1, ColumnStart)->toolTip().toStdString(), "02 - Track 02");
    EXPECT_TRUE(dialogs.messages.empty());

    ChooseFormat(FindOutputFormatByExtension("flac"));
    ConvertAndWait(*window);

    EXPECT_EQ(Column(ColumnStatus), std::vector<std::string>(3, "Completed"));
    const std::string out = locations.defaultFolder;
    std::vector<int16_t> joined;
    for (const char* name : {"01 - First.flac", "02 - Track 02.flac", "03 - Third.flac"}) {
        SCOPED_TRACE(name);
        const ProbedAudio probed = ProbeAudio(out + "/" + name);
        ASSERT_TRUE(probed.ok);
        EXPECT_EQ(probed.Tag("album"), "The Album");
        EXPECT_EQ(probed.Tag("artist"), "The Band");
        const std::vector<int16_t> samples = DecodeS16(out + "/" + name);
        joined.insert(joined.end(), samples.begin(), samples.end());
    }
    EXPECT_EQ(ProbeAudio(out + "/03 - Third.flac").Tag("title"), "Third");
    EXPECT_TRUE(joined == DecodeS16(image)) << "the tracks are not the image";
    EXPECT_FALSE(FileExists(out + "/album.flac"));
}

TEST_F(CueWindowTest, ABadSheetIsRefusedNamingItsLineAndTheOtherFilesGoOn) {
    WriteBytes(album + "/bad.cue", "FILE \"album.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:80\n");
    dialogs.fileChoices.push_back({album + "/bad.cue", album + "/album.cue"});
    FindControlAs<QPushButton>(*window, ids::kAdd)->click();

    EXPECT_EQ(window->View().RowCount(), 3);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first,
              "File:bad.cue is invalid! Line 3: INDEX 01 00:00:80: its frames (80) are not "
              "below 75.");
}

} // namespace
