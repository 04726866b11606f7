#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "tasks/convert_command.h"
#include "tasks/ini_file.h"
#include "tasks/output_folder.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

// A window whose progress dialog returns at once, leaving the worker to run.
struct ConvertHarness : TaskHarness {
    explicit ConvertHarness(const std::string& folder) {
        view.runProgressDialog = false;
        view.outputFolderText = folder;
        view.formatText = kOutputFormats[6].text; // MP3
        SelectOutputFormat(OutputSettings, 6);
    }
    ~ConvertHarness() { SelectOutputFormat(OutputSettings, 0); }

    // Convert, then wait for its worker so the engine can be read.
    void Convert() {
        ConvertCommand(view, state, fakes.dialogs);
        FinishRunningWorker(view, state);
    }
    bool StartedNothing() const {
        return view.timerStarts == 0 && view.progressDialogShows == 0 &&
               !state.m_worker.IsRunning();
    }
};

TEST(ConvertCommand, RefusesAnEmptyListOrNoCheckedRowBeforeLookingAtTheFolder) {
    const std::string file = MakeScratchDir("tasks_convert_refusals") + "/file";
    std::filesystem::copy_file(FixturePath("text.txt"), file);
    struct Case {
        const char* name;
        std::vector<bool> checks;
        std::string message;
    };
    const Case cases[] = {
        {"no rows", {}, "Please add video files!"},
        {"no checked row", {false, false}, "Please select at least one task to convert!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConvertHarness h(file + "/not-a-folder");
        for (const bool checked : c.checks) {
            h.view.AppendRow("/music/a.wav", checked);
        }
        h.Convert();
        EXPECT_EQ(h.fakes.dialogs.messages,
                  (std::vector<ShownMessage>{{c.message, MessageIcon::Exclamation}}));
        EXPECT_TRUE(h.StartedNothing());
    }
}

TEST(ConvertCommand, AnUnusableFolderStartsNothing) {
    const std::string dir = MakeScratchDir("tasks_convert_folder");
    std::filesystem::copy_file(FixturePath("text.txt"), dir + "/file");
    const std::string message = kMissingFolderMessage;
    struct Case {
        std::string folder;
        std::vector<ShownMessage> messages;
    };
    const Case cases[] = {
        {"\\", {}},
        {"", {{message, MessageIcon::None}}},
        {dir + "/file/sub", {{message, MessageIcon::None}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("folder '" + c.folder + "'");
        ConvertHarness h(c.folder);
        h.state.m_iniPath = dir + "/settings.ini";
        h.view.AppendRow("/music/a.wav");
        h.Convert();
        EXPECT_EQ(h.fakes.dialogs.messages, c.messages);
        EXPECT_TRUE(h.StartedNothing());
        EXPECT_FALSE(std::filesystem::exists(h.state.m_iniPath));
    }
}

TEST(ConvertCommand, FillsTheBatchFromTheCheckedRows) {
    const std::string dir = MakeScratchDir("tasks_convert_batch");
    const std::string out = dir + "/out"; // made by Convert
    ConvertHarness h(out);
    std::filesystem::create_directory(dir + "/bin");
    h.state.m_iniPath = dir + "/bin/Path_Registration.ini";
    h.view.AppendRow("/nonexistent/music/live.set.flac");
    h.view.AppendRow("/nonexistent/music/skipped.wav", false);
    h.view.AppendRow("/nonexistent/a.b/a.wav");
    h.view.rows[2].startTime = "00:01:30";
    h.view.rows[2].endTime = "00:04:00";
    h.state.m_completedCount = 7;
    h.state.m_shutdownWhenDone = true; // left over from the last batch

    h.Convert();

    EXPECT_TRUE(h.fakes.dialogs.messages.empty());
    EXPECT_TRUE(std::filesystem::is_directory(out));
    EXPECT_EQ(ReadIniValue(h.state.m_iniPath, "Info", "Path"), out);
    EXPECT_EQ(h.state.m_checkedRows, (std::vector<int>{0, -1, 2}));
    EXPECT_EQ(h.state.m_completedCount, 0);
    EXPECT_FALSE(h.state.m_shutdownWhenDone);
    EXPECT_FALSE(h.state.m_batchEndHandled);
    EXPECT_EQ(h.view.timerStarts, 1);
    EXPECT_EQ(h.view.progressDialogShows, 1);

    const AVConvert& engine = *g_engine;
    EXPECT_EQ(engine.m_taskCount, 3);
    EXPECT_EQ(engine.m_checkedCount, 2);
    EXPECT_EQ(engine.m_inputPaths, (std::vector<std::string>{"/nonexistent/music/live.set.flac", "",
                                                             "/nonexistent/a.b/a.wav"}));
    EXPECT_EQ(engine.m_outputPaths,
              (std::vector<std::string>{out + "/live.set.mp3", "", out + "/a.mp3"}));
    EXPECT_EQ(engine.m_clipEnd[2], 240);
    EXPECT_EQ(engine.m_clipLength[2], 150);
    int mp3 = 0;
    ASSERT_TRUE(LookupEncoderCodec("MP3", mp3));
    EXPECT_EQ(engine.m_audioCodecId, mp3);
    EXPECT_EQ(engine.m_audioBitRate, 128000);
    EXPECT_EQ(engine.m_sampleRate, 44100);
    EXPECT_EQ(engine.m_channels, 2);
    // The worker visited every row; none of these sources exists.
    EXPECT_EQ(LoadRelaxed(engine.m_currentTask), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(TaskStatusOf(engine, row), TaskFailed) << row;
    }
}

// Names without an extension are ordinary on Linux: such a row converts
// under its whole name, and so do the other rows.
TEST(ConvertCommand, ARowWithoutADotInItsFileNameConvertsUnderItsWholeName) {
    const std::string dir = MakeScratchDir("tasks_convert_nodot");
    const std::string sources = dir + "/music.d";
    std::filesystem::create_directories(sources);
    for (const char* name : {"a.wav", "song", ".hidden"}) {
        std::filesystem::copy_file(FixturePath("mono8.wav"), sources + "/" + name);
    }
    ConvertHarness h(dir + "/out");
    h.view.AppendRow(sources + "/a.wav");
    h.view.AppendRow(sources + "/song");
    h.view.AppendRow(sources + "/.hidden");
    h.Convert();
    EXPECT_TRUE(h.fakes.dialogs.messages.empty());
    EXPECT_EQ(h.view.progressDialogShows, 1);
    const AVConvert& engine = *g_engine;
    EXPECT_EQ(engine.m_outputPaths,
              (std::vector<std::string>{dir + "/out/a.mp3", dir + "/out/song.mp3",
                                        dir + "/out/.hidden.mp3"}));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(TaskStatusOf(engine, row), TaskCompleted) << row;
        EXPECT_TRUE(ProbeAudio(engine.m_outputPaths[row]).ok) << row;
    }
}

TEST(ConvertCommand, TheExtensionFollowsTheFormatComboAndTheCodecTheSettings) {
    const std::string dir = MakeScratchDir("tasks_convert_wav");
    ConvertHarness h(dir);
    h.view.formatText = kOutputFormats[9].text; // WAV
    SelectOutputFormat(OutputSettings, 9);
    OutputSettings.audioEncoder = "PCM_MULAW";
    OutputSettings.sampleRate = 8000;
    OutputSettings.channels = 1;
    h.view.AppendRow("/nonexistent/x.flac");
    h.Convert();
    int mulaw = 0;
    ASSERT_TRUE(LookupEncoderCodec("PCM_MULAW", mulaw));
    EXPECT_EQ(g_engine->m_outputPaths, std::vector<std::string>{dir + "/x.wav"});
    EXPECT_EQ(g_engine->m_audioCodecId, mulaw);
    EXPECT_EQ(g_engine->m_sampleRate, 8000);
    EXPECT_EQ(g_engine->m_channels, 1);
}

} // namespace

// Output names from the Settings dialog's pattern, and "Only new and
// changed files": an up-to-date output is left alone, an older one is
// replaced, a name an earlier row took fails the later row, and no name
// gets a (0) counter.
TEST(ConvertCommand, NamesFromTagsAndOnlyNewAndChangedFiles) {
    const std::string dir = MakeScratchDir("tasks_convert_names_update");
    const std::string out = dir + "/out";
    std::filesystem::create_directories(out + "/Ann");
    const auto makeSource = [&](const std::string& name, const std::string& title) {
        const std::string path = dir + "/" + name + ".wav";
        int exitCode = -1;
        RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i sine=d=0.3 -metadata artist=Ann "
                   "-metadata title=" +
                       ShellQuote(title) + " " + ShellQuote(path),
                   &exitCode);
        EXPECT_EQ(exitCode, 0) << name;
        return path;
    };
    const std::string upToDate = makeSource("a", "Kept");
    const std::string changed = makeSource("b", "Changed");
    const std::string fresh = makeSource("c", "Fresh");
    const std::string twin = makeSource("d", "Fresh");
    // "Kept" has an output newer than its source, "Changed" an older one.
    WriteBytes(out + "/Ann/Kept.mp3", "newer than its source");
    WriteBytes(out + "/Ann/Changed.mp3", "older than its source");
    const auto past = std::filesystem::last_write_time(changed) - std::chrono::hours(1);
    std::filesystem::last_write_time(out + "/Ann/Changed.mp3", past);
    std::filesystem::last_write_time(
        out + "/Ann/Kept.mp3", std::filesystem::last_write_time(upToDate) + std::chrono::hours(1));

    ConvertHarness h(out);
    OutputSettings.namePattern = "{artist}/{title}";
    OutputSettings.onlyNewAndChanged = true;
    for (const std::string& source : {upToDate, changed, fresh, twin}) {
        h.view.AppendRow(source);
    }
    h.Convert();
    OutputSettings.namePattern.clear();
    OutputSettings.onlyNewAndChanged = false;

    EXPECT_TRUE(h.fakes.dialogs.messages.empty());
    EXPECT_EQ(h.view.rows[0].statusText, kUpToDateStatus);
    EXPECT_EQ(h.view.rows[0].statusTip, "Skipped (up to date) " + out + "/Ann/Kept.mp3");
    EXPECT_EQ(ReadBytes(out + "/Ann/Kept.mp3"), "newer than its source");
    EXPECT_EQ(h.view.rows[3].statusText, kFailedStatus);
    EXPECT_NE(h.view.rows[3].statusTip.find("is taken by " + fresh), std::string::npos);

    const AVConvert& engine = *g_engine;
    EXPECT_EQ(engine.m_checkedCount, 2);
    for (int row : {1, 2}) {
        EXPECT_EQ(TaskStatusOf(engine, row), TaskCompleted) << row;
    }
    // The older output was replaced under its own name, by a file of the sound.
    for (const char* name : {"Changed", "Fresh"}) {
        const ProbedAudio probed = ProbeAudio(out + "/Ann/" + name + ".mp3");
        EXPECT_TRUE(probed.ok) << name;
        EXPECT_NEAR(PlayedSeconds(out + "/Ann/" + name + ".mp3"), 0.3, 0.05) << name;
    }
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 3); // Kept, Changed and Fresh: no "(0)" copies
}
