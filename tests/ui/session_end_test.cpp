// The end of the desktop session while a batch runs: SIGTERM, SIGHUP or
// SIGINT stop it the way Stop does, every window closes, the file being
// written is finished under its name and no hidden work file stays.
#include "app/session_end.h"
#include "engine/av_convert.h"
#include "engine/output_naming.h"
#include "resources/control_ids.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

// Two minutes of sound: its conversion outlasts the moment of the signal.
std::string MakeLongSource(const std::string& folder) {
    const std::string path = folder + "/long.wav";
    EXPECT_TRUE(MakeMedia(
        "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=120 -c:a pcm_s16le", path));
    return path;
}

TEST(SessionEnd, ASignalMidBatchStopsItClosesTheWindowsAndLeavesNoWorkFile) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        const std::string scratch = MakeScratchDir("ui_session_end_" + std::to_string(signal));
        const std::string source = MakeLongSource(scratch);
        AppLocations locations;
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        // One row at a time, so the second row is still waiting at the signal.
        fs::create_directories(scratch + "/bin");
        std::ofstream(locations.settingsPath) << "[Info]\nJobs=1\n";
        FakeWindowServices fakes;
        CQuarvelDlg window(fakes.services, locations);
        window.show();
        SessionEndWatcher watcher;

        fakes.dialogs.fileChoices.push_back({source, FixturePath("mono8.wav")});
        FindControlAs<QPushButton>(window, ids::kAdd)->click();
        ASSERT_EQ(window.View().RowCount(), 2);
        // The signal comes once the first file is well under way.
        QTimer signalTimer;
        QObject::connect(&signalTimer, &QTimer::timeout, [&] {
            if (g_engine && LoadCurrentTask(*g_engine) == 0 &&
                LoadRelaxed(g_engine->m_progress) > 5) {
                signalTimer.stop();
                ::raise(signal);
            }
        });
        signalTimer.start(10);
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] { QApplication::closeAllWindows(); });
        safety.start(60000);
        FindControlAs<QPushButton>(window, ids::kConvert)->click();
        safety.stop();
        QApplication::processEvents();

        EXPECT_FALSE(signalTimer.isActive()) << "the batch ended before the signal";
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.View().IsProgressDialogOpen());
        ASSERT_NE(g_engine, nullptr);
        EXPECT_TRUE(StopRequested(*g_engine));
        EXPECT_EQ(TaskStatusOf(*g_engine, 0), TaskPending);
        EXPECT_EQ(TaskStatusOf(*g_engine, 1), TaskPending); // never started
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(locations.defaultFolder)) {
            left.push_back(entry.path().filename().string());
        }
        // Stop's result: the file cut short by the stop, finished and named.
        EXPECT_EQ(left, std::vector<std::string>{"long.aac"});
        EXPECT_TRUE(ProbeAudio(locations.defaultFolder + "/long.aac").ok);
    }
}

} // namespace
