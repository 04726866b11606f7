#include "engine/album_gain.h"
#include "engine/failure_reason.h"
#include "profiles/output_catalogue.h"
#include "tasks/add_files.h"
#include "tasks/clock_text.h"
#include "tasks/convert_command.h"
#include "tasks/engine_access.h"
#include "tasks/progress_tick.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>

namespace {

using namespace veltrano::test;

// The engine as a worker leaves it part-way through a batch, with no worker.
struct TickHarness : TaskHarness {
    TickHarness(const std::vector<bool>& checks, int current, int progress) {
        view.outputFolderText = "/music/out";
        state.m_outputFolder = "/music/out";
        AVConvert& engine = EnsureEngine();
        PrepareBatch(engine, static_cast<int32_t>(checks.size()));
        engine.m_checkedCount = 0;
        for (size_t row = 0; row < checks.size(); ++row) {
            view.AppendRow("/music/" + std::string(1, static_cast<char>('a' + row)) + ".wav",
                           checks[row]);
            state.m_checkedRows.push_back(checks[row] ? static_cast<int>(row) : -1);
            engine.m_checkedCount += checks[row] ? 1 : 0;
        }
        StoreRelaxed(engine.m_currentTask, current);
        StoreRelaxed(engine.m_progress, progress);
        engine.m_stopRequested.store(false);
        view.progressDialogOpen = true;
        view.timerRunning = true;
    }
    void Tick() { ProgressTick(view, state, fakes.services); }
};

TEST(ProgressTick, ShowsTheCurrentFileAndTheBatch) {
    TickHarness h({true, true, true}, 0, 45);
    h.Tick();
    EXPECT_EQ(h.view.currentFileTexts, std::vector<std::string>{"a.wav   45% has completed"});
    EXPECT_EQ(h.view.batchTexts, std::vector<std::string>{"0 Task Completed / Total 3 Task(s)"});
    EXPECT_EQ(h.view.currentFilePercents, std::vector<int>{45});
    EXPECT_EQ(h.view.batchPercents, std::vector<int>{0});
    EXPECT_TRUE(h.view.progressDialogOpen);
    EXPECT_TRUE(h.fakes.shell.openedFolders.empty());
}

TEST(ProgressTick, MarksFinishedRowsOfThisBatchOnly) {
    // Rows 0 and 1 were converted by an earlier batch and are unchecked; the
    // worker fails them at once in this one.
    TickHarness h({false, false, true, true, true}, 4, 10);
    h.view.rows[0].statusText = "Completed";
    h.view.rows[1].statusText = "Completed";
    SetTaskStatus(*g_engine, 0, TaskFailed);
    SetTaskStatus(*g_engine, 1, TaskFailed);
    SetTaskStatus(*g_engine, 2, TaskCompleted);
    SetTaskStatus(*g_engine, 3, TaskFailed);
    h.Tick();
    h.Tick();
    EXPECT_EQ(
        h.view.Column(ColumnStatus),
        (std::vector<std::string>{"Completed", "Completed", "Completed", "Failure", " Ready"}));
    EXPECT_EQ(h.view.CheckStates(), (std::vector<bool>{false, false, false, true, true}));
    EXPECT_EQ(h.state.m_completedCount, 2);
    // The labels show the count of the tick before.
    EXPECT_EQ(h.view.batchTexts, (std::vector<std::string>{"0 Task Completed / Total 3 Task(s)",
                                                           "2 Task Completed / Total 3 Task(s)"}));
    EXPECT_EQ(h.view.batchPercents, (std::vector<int>{0, 66}));
}

TEST(ProgressTick, FailedRowsTellWhyInTheirStatusTip) {
    const FailureReason reasons[] = {FailureNoSound, FailureDiskFull, FailureFolderNotWritable,
                                     FailureEncoderRefused, FailureSourceChanged};
    // Rows 0 to 5 have ended, row 6 is being converted.
    TickHarness h(std::vector<bool>(7, true), 6, 50);
    for (int row = 0; row < 5; ++row) {
        SetTaskFailure(*g_engine, row, reasons[row]);
    }
    SetTaskStatus(*g_engine, 5, TaskCompleted);
    h.view.rows[5].statusTip = "the disk is full"; // from a batch before
    h.Tick();
    EXPECT_EQ(h.view.Column(ColumnStatus),
              (std::vector<std::string>{"Failure", "Failure", "Failure", "Failure", "Failure",
                                        "Completed", " Ready"}));
    EXPECT_EQ(h.view.StatusTips(),
              (std::vector<std::string>{"no sound could be decoded", "the disk is full",
                                        "the output folder cannot be written",
                                        "the encoder refused the settings",
                                        "the file changed or disappeared", "", ""}));
}

TEST(ProgressTick, CompletedRowsWithoutLoudnessTagsTellWhyInTheirStatusTip) {
    TickHarness h(std::vector<bool>(4, true), 4, 100);
    const uint8_t notes[] = {LoudnessNoteSilence, LoudnessNoteTooShort, LoudnessNoteLimited,
                             LoudnessNoteNone};
    for (int row = 0; row < 4; ++row) {
        g_engine->m_taskLoudness[static_cast<size_t>(row)].store(notes[row]);
        SetTaskStatus(*g_engine, row, TaskCompleted);
    }
    h.view.rows[3].statusTip = "the disk is full"; // from a batch before
    h.Tick();
    EXPECT_EQ(h.view.StatusTips(),
              (std::vector<std::string>{"no ReplayGain tags: the track is silent",
                                        "no ReplayGain tags: the track is shorter than 400 ms",
                                        "held back by the true-peak limit of -1 dBTP", ""}));
}

TEST(ProgressTick, ANormalisingBatchShowsItsMeasuringBeforeAnyRow) {
    TickHarness h({true, true, true, true}, 0, -1);
    g_engine->m_measuring.store(true);
    g_engine->m_taskMeasured[0].store(1);
    h.Tick();
    g_engine->m_taskMeasured[1].store(1);
    g_engine->m_taskMeasured[3].store(1);
    h.Tick();
    g_engine->m_measuring.store(false);
    EXPECT_EQ(h.view.currentFileTexts,
              (std::vector<std::string>{"Measuring loudness", "Measuring loudness"}));
    EXPECT_EQ(h.view.currentFilePercents, (std::vector<int>{25, 75}));
}

TEST(ProgressTick, TheEndOfTheBatchIsHandledOnce) {
    for (const bool shutDown : {false, true}) {
        SCOPED_TRACE(shutDown ? "shut down when done" : "stay on");
        TickHarness h({true, true}, 2, 100);
        h.state.m_shutdownWhenDone = shutDown;
        SetTaskStatus(*g_engine, 0, TaskCompleted);
        SetTaskStatus(*g_engine, 1, TaskCompleted);
        h.Tick();
        h.Tick();
        EXPECT_FALSE(h.view.progressDialogOpen);
        EXPECT_FALSE(h.view.timerRunning);
        EXPECT_TRUE(StopRequested(*g_engine));
        EXPECT_EQ(h.fakes.shell.openedFolders, std::vector<std::string>{"/music/out"});
        EXPECT_EQ(h.fakes.power.powerOffCalls, shutDown ? 1 : 0);
        EXPECT_EQ(h.view.Column(ColumnStatus),
                  (std::vector<std::string>{"Completed", "Completed"}));
    }
}

TEST(ProgressTick, AStopRequestEndsTheDialogWithoutTheEndOfBatch) {
    TickHarness h({true, true, true}, 1, 30);
    h.state.m_shutdownWhenDone = true;
    RequestStop(*g_engine);
    h.Tick();
    EXPECT_FALSE(h.view.progressDialogOpen);
    EXPECT_FALSE(h.view.timerRunning);
    EXPECT_TRUE(h.fakes.shell.openedFolders.empty());
    EXPECT_EQ(h.fakes.power.powerOffCalls, 0);
}

// A window with real rows converted by the real worker.
struct BatchHarness : TaskHarness {
    explicit BatchHarness(const std::string& name) : out(MakeScratchDir(name)) {
        view.outputFolderText = out;
        view.formatText = kOutputFormats[6].text; // MP3
        SelectOutputFormat(OutputSettings, 6);
    }
    ~BatchHarness() { SelectOutputFormat(OutputSettings, 0); }
    void Add(const std::vector<std::string>& paths) {
        fakes.dialogs.filesToAdd = paths;
        AddFilesFromDialog(view, state, fakes.dialogs);
        ASSERT_EQ(view.RowCount(), static_cast<int>(paths.size()));
    }
    void Convert() { ConvertCommand(view, state, fakes.dialogs); }
    std::string out;
};

// Every label the dialog showed reads as the batch it belongs to.
void ExpectWellFormedLabels(const FakeMainView& view, const std::string& names, int total) {
    const std::regex current("(" + names + ")?   ([0-9]+)% has completed");
    for (const std::string& text : view.currentFileTexts) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, current)) << text;
        EXPECT_LE(std::stoi(match[2]), 100) << text;
    }
    const std::regex batch("([0-9]+) Task Completed / Total " + std::to_string(total) +
                           " Task\\(s\\)");
    int previous = 0;
    for (const std::string& text : view.batchTexts) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, batch)) << text;
        const int completed = std::stoi(match[1]);
        EXPECT_GE(completed, previous) << text;
        EXPECT_LE(completed, total) << text;
        previous = completed;
    }
}

TEST(ProgressTick, FollowsARealBatchToItsEnd) {
    BatchHarness h("tasks_tick_batch");
    h.Add({LongSourcePath(), FixturePath("video_silent.mp4"), FixturePath("mono8.wav")});
    h.view.beforeTick = [&h](int tick) {
        if (tick == 0) {
            h.state.m_shutdownWhenDone = true; // the box, ticked in the dialog
        }
    };
    h.Convert();

    EXPECT_FALSE(h.view.hitSafetyLimit);
    EXPECT_FALSE(h.view.progressDialogOpen);
    EXPECT_EQ(h.view.Column(ColumnStatus),
              (std::vector<std::string>{"Completed", "Failure", "Completed"}));
    EXPECT_EQ(h.view.StatusTips(), (std::vector<std::string>{"", "no sound could be decoded", ""}));
    EXPECT_EQ(h.view.CheckStates(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(h.state.m_completedCount, 3);
    EXPECT_EQ(h.fakes.shell.openedFolders, std::vector<std::string>{h.out});
    EXPECT_EQ(h.fakes.power.powerOffCalls, 1);
    // The long first file outlasts many ticks.
    EXPECT_TRUE(
        std::any_of(h.view.currentFileTexts.begin(), h.view.currentFileTexts.end(),
                    [](const std::string& text) { return text.rfind("long.wav   ", 0) == 0; }));
    ExpectWellFormedLabels(h.view, "long\\.wav|video_silent\\.mp4|mono8\\.wav", 3);

    EXPECT_EQ(ProbeAudio(h.out + "/long.mp3").codecName, "mp3");
    EXPECT_EQ(ProbeAudio(h.out + "/mono8.mp3").codecName, "mp3");
    EXPECT_FALSE(FileExists(h.out + "/video_silent.mp3"));
}

TEST(ProgressTick, StopThenANewBatchWaitsForTheStoppedWorker) {
    BatchHarness h("tasks_tick_stop");
    // One row at a time, so the second row is still waiting at the stop.
    h.state.m_iniPath = MakeScratchDir("tasks_tick_stop_settings") + "/settings.ini";
    std::ofstream(h.state.m_iniPath) << "[Info]\nJobs=1\n";
    h.Add({LongSourcePath(), FixturePath("mono8.wav")});
    h.view.beforeTick = [&h](int tick) {
        if (tick == 0) {
            h.state.m_shutdownWhenDone = true;
        }
        const bool writingFirstFile =
            LoadRelaxed(g_engine->m_currentTask) == 0 && LoadRelaxed(g_engine->m_progress) >= 1;
        if (writingFirstFile && h.view.progressDialogOpen) {
            h.view.PressStop();
        }
    };
    h.Convert();

    EXPECT_FALSE(h.view.hitSafetyLimit);
    EXPECT_FALSE(h.view.progressDialogOpen);
    EXPECT_FALSE(h.view.timerRunning);
    EXPECT_TRUE(h.fakes.shell.openedFolders.empty());
    EXPECT_EQ(h.fakes.power.powerOffCalls, 0);
    EXPECT_EQ(h.view.Column(ColumnStatus), (std::vector<std::string>{" Ready", " Ready"}));
    EXPECT_TRUE(h.state.m_worker.IsRunning()); // not joined yet: it may still be writing

    // A new batch with only the second row: its Convert first waits for the
    // stopped worker, which passes its row and returns.
    h.view.SetRowChecked(0, false);
    h.view.beforeTick = nullptr;
    h.view.currentFileTexts.clear();
    h.view.batchTexts.clear();
    std::vector<int> rowAtBusyEnd;
    h.view.onBusyCursor = [&rowAtBusyEnd](bool busy) {
        if (!busy) {
            rowAtBusyEnd.push_back(LoadRelaxed(g_engine->m_currentTask));
        }
    };
    h.Convert();

    EXPECT_EQ(h.view.busyCursorChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(rowAtBusyEnd, std::vector<int>{1});
    EXPECT_EQ(ProbeAudio(h.out + "/long.mp3").codecName, "mp3"); // finished, not torn
    EXPECT_FALSE(h.view.hitSafetyLimit);
    EXPECT_EQ(h.view.Column(ColumnStatus), (std::vector<std::string>{" Ready", "Completed"}));
    EXPECT_EQ(h.fakes.shell.openedFolders, std::vector<std::string>{h.out});
    EXPECT_EQ(h.fakes.power.powerOffCalls, 0); // the box starts unchecked again
    ExpectWellFormedLabels(h.view, "long\\.wav|mono8\\.wav", 1);
    EXPECT_EQ(ProbeAudio(h.out + "/mono8.mp3").codecName, "mp3");
}

// A row converted by an earlier batch and ticked again starts the new batch as
// " Ready"; cut short by Stop it keeps " Ready" and its box, and its tip says
// where the written part ends and which file holds it.
TEST(ProgressTick, ARowCutShortByStopStartsReadyAndSaysWhatWasWritten) {
    BatchHarness h("tasks_tick_cut_short");
    h.state.m_iniPath = MakeScratchDir("tasks_tick_cut_short_settings") + "/settings.ini";
    std::ofstream(h.state.m_iniPath) << "[Info]\nJobs=1\n";
    h.Add({LongSourcePath(), FixturePath("mono8.wav")});
    h.view.rows[0].statusText = "Completed";
    h.view.rows[1].statusText = "Failure";
    h.view.rows[1].statusTip = "the disk is full";
    std::vector<std::string> statusAtStart;
    std::vector<std::string> tipsAtStart;
    h.view.beforeTick = [&](int tick) {
        if (tick == 0) {
            statusAtStart = h.view.Column(ColumnStatus);
            tipsAtStart = h.view.StatusTips();
        }
        const bool halfWay =
            LoadRelaxed(g_engine->m_currentTask) == 0 && LoadRelaxed(g_engine->m_progress) >= 20;
        if (halfWay && h.view.progressDialogOpen) {
            h.view.PressStop();
        }
    };
    h.Convert();
    // The window notes the stopped rows once the worker has finished its file.
    FinishRunningWorker(h.view, h.state);

    EXPECT_FALSE(h.view.hitSafetyLimit);
    EXPECT_EQ(statusAtStart, (std::vector<std::string>{" Ready", " Ready"}));
    EXPECT_EQ(tipsAtStart, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(h.view.Column(ColumnStatus), (std::vector<std::string>{" Ready", " Ready"}));
    EXPECT_EQ(h.view.CheckStates(), (std::vector<bool>{true, true}));
    const std::string output = h.out + "/long.mp3";
    const double played = PlayedSeconds(output);
    ASSERT_GT(played, 0.0);
    EXPECT_LT(played, WholeSecondsOf(LongSourcePath()) - 10.0);
    const std::string tip = h.view.StatusTips()[0];
    const std::regex stopped("Stopped at ([0-9]+):([0-9]+):([0-9]+): long\\.mp3 holds the part "
                             "before");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(tip, match, stopped)) << tip;
    const int tipSeconds =
        std::stoi(match[1]) * 3600 + std::stoi(match[2]) * 60 + std::stoi(match[3]);
    EXPECT_NEAR(tipSeconds, played, 1.0) << tip;
    // The row the stop never reached says nothing.
    EXPECT_EQ(h.view.StatusTips()[1], "");
}

// Two rows that want the same name: the short one has its whole file and
// waits for the long one to take its name first when Stop comes. It is a
// finished file, so the window says so and unchecks it; only the long row was
// cut short.
TEST(ProgressTick, ARowThatFinishesItsFileAfterAStopIsCompletedAndUnchecked) {
    BatchHarness h("tasks_tick_finished_after_stop");
    h.state.m_iniPath = MakeScratchDir("tasks_tick_finished_after_stop_settings") + "/settings.ini";
    std::ofstream(h.state.m_iniPath) << "[Info]\nJobs=2\n";
    const std::string rival = MakeScratchDir("tasks_tick_finished_after_stop_rival") + "/long.wav";
    std::filesystem::remove(rival);
    std::filesystem::copy_file(FixturePath("mono8.wav"), rival);
    h.Add({LongSourcePath(), rival});
    h.view.beforeTick = [&](int) {
        const bool shortRowWaits =
            TaskProgressOf(*g_engine, 1) >= 100 && TaskStatusOf(*g_engine, 0) == TaskPending;
        if (shortRowWaits && h.view.progressDialogOpen) {
            h.view.PressStop();
        }
    };
    h.Convert();
    FinishRunningWorker(h.view, h.state);

    EXPECT_FALSE(h.view.hitSafetyLimit);
    EXPECT_EQ(h.view.Column(ColumnStatus), (std::vector<std::string>{" Ready", "Completed"}));
    EXPECT_EQ(h.view.CheckStates(), (std::vector<bool>{true, false}));
    EXPECT_NEAR(PlayedSeconds(h.out + "/long(0).mp3"), PlayedSeconds(rival), 0.1);
    EXPECT_EQ(h.view.StatusTips()[1], "");
}

// A row whose clip starts late in its source says where in the source the
// written part ends, not only how long it is.
TEST(ProgressTick, AClippedRowCutShortByStopSaysWhereInItsSourceTheWrittenPartEnds) {
    BatchHarness h("tasks_tick_clip_cut_short");
    h.state.m_iniPath = MakeScratchDir("tasks_tick_clip_cut_short_settings") + "/settings.ini";
    std::ofstream(h.state.m_iniPath) << "[Info]\nJobs=1\n";
    h.Add({LongSourcePath()});
    const int clipStart = 60;
    h.view.rows[0].startTime = FormatHms(clipStart);
    h.view.beforeTick = [&](int) {
        const bool halfWay =
            LoadRelaxed(g_engine->m_currentTask) == 0 && LoadRelaxed(g_engine->m_progress) >= 20;
        if (halfWay && h.view.progressDialogOpen) {
            h.view.PressStop();
        }
    };
    h.Convert();
    FinishRunningWorker(h.view, h.state);

    EXPECT_FALSE(h.view.hitSafetyLimit);
    const double played = PlayedSeconds(h.out + "/long.mp3");
    ASSERT_GT(played, 0.0);
    EXPECT_LT(played, WholeSecondsOf(LongSourcePath()) - clipStart - 10.0);
    const std::string tip = h.view.StatusTips()[0];
    const std::regex stopped("Stopped at ([0-9]+):([0-9]+):([0-9]+): long\\.mp3 holds the part "
                             "before");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(tip, match, stopped)) << tip;
    const int tipSeconds =
        std::stoi(match[1]) * 3600 + std::stoi(match[2]) * 60 + std::stoi(match[3]);
    EXPECT_NEAR(tipSeconds, clipStart + played, 1.0) << tip;
}

TEST(ShutDownComputer, AsksThePowerControlOnce) {
    FakePower power;
    EXPECT_TRUE(ShutDownComputer(power));
    EXPECT_EQ(power.powerOffCalls, 1);
}

} // namespace
