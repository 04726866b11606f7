// The desktop notice at the end of a batch: only when the user works
// elsewhere, once, counting the converted and the failed files.
#include "tasks/engine_access.h"
#include "tasks/progress_tick.h"
#include "tests/tasks/task_harness.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

// A batch whose worker has passed its last row, each row with its result;
// rows without one were not checked, so not in the batch.
struct EndedBatch : TaskHarness {
    explicit EndedBatch(const std::vector<std::optional<uint8_t>>& results) {
        state.m_outputFolder = "/music/out";
        AVConvert& engine = EnsureEngine();
        PrepareBatch(engine, static_cast<int32_t>(results.size()));
        engine.m_checkedCount = 0;
        for (size_t row = 0; row < results.size(); ++row) {
            const bool inBatch = results[row].has_value();
            view.AppendRow("/music/" + std::to_string(row) + ".wav", inBatch);
            state.m_checkedRows.push_back(inBatch ? static_cast<int>(row) : -1);
            engine.m_checkedCount += inBatch ? 1 : 0;
            if (inBatch) {
                SetTaskStatus(engine, static_cast<int>(row), *results[row]);
            }
        }
        StoreRelaxed(engine.m_currentTask, static_cast<int32_t>(results.size()));
        StoreRelaxed(engine.m_progress, 100);
        engine.m_stopRequested.store(false);
        view.progressDialogOpen = true;
        view.timerRunning = true;
    }
    void Tick() { ProgressTick(view, state, fakes.services); }
};

constexpr uint8_t kDone = TaskCompleted;
constexpr uint8_t kFailed = TaskFailed;
constexpr std::nullopt_t kNotInBatch = std::nullopt;

TEST(BatchNotice, OneNoticeWhenTheBatchEndsWhileTheUserWorksElsewhere) {
    struct Case {
        const char* name;
        std::vector<std::optional<uint8_t>> results;
        bool programActive;
        std::vector<std::string> notices;
    };
    const Case cases[] = {
        {"active window", {kDone, kDone, kFailed}, true, {}},
        {"all converted", {kDone, kDone, kDone}, false, {"Converted 3 files"}},
        {"one file", {kDone}, false, {"Converted 1 file"}},
        {"some failed",
         {kDone, kFailed, kNotInBatch, kDone, kFailed, kDone},
         false,
         {"Converted 3 files, 2 failed"}},
        {"all failed", {kFailed, kFailed}, false, {"Converted 0 files, 2 failed"}},
        {"rows outside the batch", {kNotInBatch, kDone, kNotInBatch}, false, {"Converted 1 file"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EndedBatch batch(c.results);
        batch.fakes.notifier.programActive = c.programActive;
        batch.Tick();
        batch.Tick();
        EXPECT_EQ(batch.fakes.notifier.notices, c.notices);
        EXPECT_EQ(batch.fakes.shell.openedFolders, std::vector<std::string>{"/music/out"});
    }
}

TEST(BatchNotice, AStoppedBatchGivesNoNotice) {
    EndedBatch batch({kDone, kDone, kDone});
    batch.fakes.notifier.programActive = false;
    StoreRelaxed(g_engine->m_currentTask, 1);
    RequestStop(*g_engine);
    batch.Tick();
    EXPECT_TRUE(batch.fakes.notifier.notices.empty());
}

} // namespace
