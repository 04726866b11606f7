// The window's batch with several rows converted at once (the settings
// file's "Jobs"): the same statuses, files and names as one row at a time,
// and a Stop that lets every running row finish its file.
#include "engine/av_convert.h"
#include "profiles/output_catalogue.h"
#include "resources/control_ids.h"
#include "tasks/main_view.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "tests/ui/window_batch.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"

#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

class WindowJobsTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = MakeScratchDir("ui_jobs_" + name);
        OutputSettings = OutputParameters{};
    }

    // A window whose settings file asks for `jobs` rows at once; each run
    // has its own settings and output folder below `tag`.
    std::unique_ptr<CQuarvelDlg> OpenWindow(int jobs, const std::string& tag) {
        locations.settingsPath = scratch + "/" + tag + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/" + tag + "/OutPut";
        fs::create_directories(scratch + "/" + tag + "/bin");
        std::ofstream(locations.settingsPath) << "[Info]\nJobs=" << jobs << "\n";
        return std::make_unique<CQuarvelDlg>(services, locations);
    }

    std::string MakeTone(const std::string& relative, int seconds) {
        const std::string path = scratch + "/" + relative;
        fs::create_directories(fs::path(path).parent_path());
        EXPECT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=22050:duration=" +
                                  std::to_string(seconds) + " -c:a pcm_s16le",
                              path));
        return path;
    }

    std::string CopyOf(const char* fixture, const std::string& relative) {
        const std::string path = scratch + "/" + relative;
        fs::create_directories(fs::path(path).parent_path());
        fs::copy_file(FixturePath(fixture), path);
        return path;
    }

    static std::vector<std::string> Column(const CQuarvelDlg& window, int column) {
        std::vector<std::string> texts;
        for (int row = 0; row < window.View().RowCount(); ++row) {
            texts.push_back(window.View().RowText(row, column));
        }
        return texts;
    }

    static std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string scratch;
    AppLocations locations;
};

// Two rows want song.aac and a later one song(0).aac; the first row takes
// longest, so with two at once the second finishes first, yet every row gets
// the name and status it gets one row at a time.
TEST_F(WindowJobsTest, TwoRowsAtOnceGiveTheStatusesFilesAndNamesOfOneAtATime) {
    const std::vector<std::string> sources = {
        MakeTone("a/song.wav", 30), CopyOf("tagged.ogg", "b/song.ogg"),
        FixturePath("video_silent.mp4"), CopyOf("mono8.wav", "c/song(0).wav")};
    const std::vector<std::string> expectedFiles = {"song(0)(0).aac", "song(0).aac", "song.aac"};

    for (const int jobs : {1, 2}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        auto window = OpenWindow(jobs, "jobs" + std::to_string(jobs));
        dialogs.fileChoices.push_back(sources);
        FindControlAs<QPushButton>(*window, ids::kAdd)->click();
        ASSERT_EQ(window->View().RowCount(), 4);

        ConvertAndWait(*window);

        EXPECT_EQ(Column(*window, ColumnStatus),
                  (std::vector<std::string>{"Completed", "Completed", "Failure", "Completed"}));
        EXPECT_EQ(window->State().m_completedCount, 4);
        const std::string folder = locations.defaultFolder;
        EXPECT_EQ(FilesIn(folder), expectedFiles);
        EXPECT_NEAR(PlayedSeconds(folder + "/song.aac"), 30.0, 0.1);
        EXPECT_NEAR(PlayedSeconds(folder + "/song(0).aac"), PlayedSeconds(sources[1]), 0.1);
        EXPECT_NEAR(PlayedSeconds(folder + "/song(0)(0).aac"), PlayedSeconds(sources[3]), 0.1);
        EXPECT_EQ(shell.openedFolders.back(), folder);
    }
}

// Stop while two rows run: both finish their files as valid, shorter files
// under their own names, both rows stay pending and checked, and the row
// after them never starts.
TEST_F(WindowJobsTest, StopWithTwoRowsRunningFinishesBothFilesAndLeavesThemPending) {
    constexpr int kSeconds = 120;
    const std::string first = MakeTone("a/long.wav", kSeconds);
    const std::string second = scratch + "/b/long.wav";
    fs::create_directories(scratch + "/b");
    fs::copy_file(first, second);
    auto window = OpenWindow(2, "stop");
    dialogs.fileChoices.push_back({first, second, FixturePath("mono8.wav")});
    FindControlAs<QPushButton>(*window, ids::kAdd)->click();
    ASSERT_EQ(window->View().RowCount(), 3);

    QTimer stopTimer;
    QObject::connect(&stopTimer, &QTimer::timeout, [&] {
        if (g_engine && window->View().IsProgressDialogOpen() && TaskProgressOf(*g_engine, 0) > 2 &&
            TaskProgressOf(*g_engine, 1) > 2) {
            stopTimer.stop();
            FindControlAs<QPushButton>(window->ProgressDialog(), ids::kStop)->click();
        }
    });
    stopTimer.start(10);
    ConvertAndWait(*window);
    EXPECT_FALSE(stopTimer.isActive()) << "the batch ended before the stop";
    const std::vector<std::string> statuses = Column(*window, ColumnStatus);
    const bool checked[] = {window->View().IsRowChecked(0), window->View().IsRowChecked(1)};
    window.reset(); // waits for the running rows to finish their files

    EXPECT_EQ(statuses, std::vector<std::string>(3, " Ready"));
    EXPECT_TRUE(checked[0] && checked[1]);
    ASSERT_NE(g_engine, nullptr);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(TaskStatusOf(*g_engine, row), TaskPending) << "row " << row;
    }
    EXPECT_EQ(FilesIn(locations.defaultFolder),
              (std::vector<std::string>{"long(0).aac", "long.aac"}));
    for (const char* name : {"/long.aac", "/long(0).aac"}) {
        ASSERT_TRUE(ProbeAudio(locations.defaultFolder + name).ok) << name;
        const double played = PlayedSeconds(locations.defaultFolder + name);
        EXPECT_GT(played, 0) << name;
        EXPECT_LT(played, kSeconds - 1) << name;
    }
}

} // namespace
