#include "cli/batch_report.h"
#include "cli/batch_setup.h"
#include "cli/cli_options.h"
#include "engine/failure_reason.h"
#include "profiles/encoder_names.h"
#include "tasks/output_folder.h"
#include "tests/support/media_check.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

CliOptions Options(const std::vector<std::string>& args) {
    const CliParseResult result = ParseCommandLine(args);
    EXPECT_TRUE(result.options) << result.error;
    return result.options.value_or(CliOptions{});
}

// Whole seconds of a file as ffprobe reads its container.
double WholeSeconds(const std::string& path) {
    const std::string text = RunCommand("ffprobe -v error -show_entries format=duration -of "
                                        "default=nw=1:nk=1 " +
                                        ShellQuote(path));
    return std::floor(std::atof(text.c_str()));
}

TEST(CliBatchSetup, AcceptedFilesBecomeRowsWithTheOutputParametersLast) {
    const std::string dir = MakeScratchDir("cli_batch_rows");
    const std::string noDot = dir + "/song";
    std::filesystem::copy_file(FixturePath("stereo44.wav"), noDot);
    const std::string stereo = FixturePath("stereo44.wav");
    const std::string video = FixturePath("video_sound.mp4");
    const std::string mono = FixturePath("mono8.wav"); // probed last: 8 kHz mono
    const CliOptions options =
        Options({"-f", "mp3", "-o", dir + "/out//", stereo, FixturePath("text.txt"), video, noDot,
                 FixturePath("empty.wav"), mono});

    AVConvert engine;
    const std::vector<std::string> refusals = SetUpBatch(engine, options);

    ASSERT_EQ(refusals.size(), 2u);
    EXPECT_EQ(refusals[0], "File:" + FixturePath("text.txt") + " is invalid!");
    EXPECT_EQ(refusals[1], "File:" + FixturePath("empty.wav") + " is invalid!");

    // A file name without an extension is its own base name.
    ASSERT_EQ(engine.m_taskCount, 4);
    EXPECT_EQ(engine.m_checkedCount, 4);
    EXPECT_EQ(engine.m_inputPaths, (std::vector<std::string>{stereo, video, noDot, mono}));
    EXPECT_EQ(engine.m_outputPaths,
              (std::vector<std::string>{dir + "/out/stereo44.mp3", dir + "/out/video_sound.mp3",
                                        dir + "/out/song.mp3", dir + "/out/mono8.mp3"}));
    const std::string inputs[] = {stereo, video, noDot, mono};
    for (int row = 0; row < 4; ++row) {
        const double seconds = WholeSeconds(inputs[row]);
        EXPECT_EQ(engine.m_clipStart[row], 0) << row;
        EXPECT_EQ(engine.m_clipEnd[row], seconds) << row;
        EXPECT_EQ(engine.m_clipLength[row], seconds) << row;
        EXPECT_EQ(TaskStatusOf(engine, row), TaskPending) << row;
    }
    int mp3 = 0;
    ASSERT_TRUE(LookupEncoderCodec("MP3", mp3));
    EXPECT_EQ(engine.m_audioCodecId, mp3);
    EXPECT_EQ(engine.m_audioBitRate, 128000);
    EXPECT_EQ(engine.m_sampleRate, 44100);
    EXPECT_EQ(engine.m_channels, 2);
    EXPECT_EQ(LoadRelaxed(engine.m_currentTask), -1);
    EXPECT_EQ(LoadRelaxed(engine.m_progress), 0);
}

TEST(CliBatchSetup, ClipEndStopsAtEachFilesDuration) {
    const std::string video = FixturePath("video_sound.mp4"); // 4 s
    const std::string stereo = FixturePath("stereo44.wav");   // 5 s
    AVConvert engine;
    const auto refusals =
        SetUpBatch(engine, Options({"--start", "00:00:01", "--end", "00:00:04", video, stereo}));
    EXPECT_TRUE(refusals.empty());
    ASSERT_EQ(engine.m_taskCount, 2);
    EXPECT_EQ(engine.m_clipStart, (std::vector<double>{1, 1}));
    EXPECT_EQ(engine.m_clipEnd, (std::vector<double>{WholeSeconds(video), 4}));
    EXPECT_EQ(engine.m_clipLength, (std::vector<double>{WholeSeconds(video) - 1, 3}));
}

TEST(CliBatchSetup, RefusesAFileThatEndsBeforeTheClipStarts) {
    const std::string stereo = FixturePath("stereo44.wav");
    AVConvert engine;
    const auto refusals = SetUpBatch(engine, Options({"--start", "00:01:00", stereo}));
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].rfind("File:" + stereo + " ", 0), 0u) << refusals[0];
    EXPECT_EQ(engine.m_taskCount, 0);
}

TEST(CliBatchSetup, StopRequestedDuringProbingLeavesTheRestOut) {
    AVConvert engine;
    RequestStop(engine);
    const auto refusals = SetUpBatch(engine, Options({FixturePath("stereo44.wav")}));
    EXPECT_TRUE(refusals.empty());
    EXPECT_EQ(engine.m_taskCount, 0);
}

TEST(CliBatchSetup, OutputFolderIsMadeWithItsParents) {
    const std::string dir = MakeScratchDir("cli_folder");
    EXPECT_TRUE(MakeFolder(dir + "/a/b/c"));
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/a/b/c"));
    EXPECT_TRUE(MakeFolder(dir + "/a")); // already there
    std::filesystem::copy_file(FixturePath("text.txt"), dir + "/plain");
    EXPECT_FALSE(MakeFolder(dir + "/plain"));
    EXPECT_FALSE(MakeFolder(dir + "/plain/sub"));
    EXPECT_EQ(NormalizeFolder("out///"), "out");
    EXPECT_EQ(NormalizeFolder("/"), "/");
}

// A batch as the worker leaves it after a stop during its second row.
TEST(CliBatchReport, SummaryTellsFinishedCutShortAndUnstartedRowsApart) {
    AVConvert engine;
    PrepareBatch(engine, 4);
    engine.m_inputPaths = {"in/a.wav", "in/b.wav", "in/c.wav", "in/d.wav"};
    engine.m_outputPaths = {"out/a.mp3", "out/b(0).mp3", "out/c.mp3", "out/d.mp3"};
    SetTaskStatus(engine, 0, TaskCompleted);
    SetTaskFailure(engine, 1, FailureDiskFull);
    StoreRelaxed(engine.m_currentTask, 3); // row 2 was cut short, row 3 never began
    EXPECT_EQ(BatchSummary(engine), "Completed out/a.mp3\n"
                                    "Failure in/b.wav (nothing written): the disk is full\n"
                                    "Stopped (partial) out/c.mp3\n"
                                    "Stopped (not converted) in/d.wav\n");
    EXPECT_EQ(BatchExitCode(engine, 0, true), kExitInterrupted);
    EXPECT_EQ(BatchExitCode(engine, 0, false), kExitSomeFailed);
}

TEST(CliBatchReport, ExitCodeIsZeroOnlyWhenEverythingCompleted) {
    AVConvert engine;
    PrepareBatch(engine, 2);
    SetTaskStatus(engine, 0, TaskCompleted);
    SetTaskStatus(engine, 1, TaskCompleted);
    StoreRelaxed(engine.m_currentTask, 2);
    EXPECT_EQ(BatchExitCode(engine, 0, false), kExitAllCompleted);
    EXPECT_EQ(BatchExitCode(engine, 1, false), kExitSomeFailed); // a refused file
    AVConvert empty;
    PrepareBatch(empty, 0);
    EXPECT_EQ(BatchExitCode(empty, 2, false), kExitSomeFailed);
}

} // namespace
