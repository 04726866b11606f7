#include "tasks/progress_tick.h"

#include "engine/album_gain.h"
#include "engine/av_convert.h"
#include "engine/failure_reason.h"
#include "tasks/batch_notice.h"
#include "tasks/output_path.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr const char* kCompletedStatus = "Completed";
// Lets the worker see the stop request before the dialog goes away.
constexpr auto kStopGrace = std::chrono::milliseconds(100);

// The analysis pass of a normalising batch, before any row converts.
void ShowMeasuring(MainView& view, const AVConvert& engine) {
    int measured = 0;
    for (const auto& row : engine.m_taskMeasured) {
        measured += row.load(std::memory_order_relaxed);
    }
    view.SetCurrentFileText("Measuring loudness");
    if (engine.m_checkedCount > 0) {
        view.SetCurrentFilePercent(std::min(100, measured * 100 / engine.m_checkedCount));
    }
}

void ShowProgress(MainView& view, const MainWindowState& state, const AVConvert& engine,
                  int current, int progress) {
    if (engine.m_measuring.load(std::memory_order_acquire)) {
        ShowMeasuring(view, engine);
    }
    const int rows = view.RowCount();
    if (progress >= 0 && current < rows) {
        const bool isRow = current >= 0;
        const std::string name =
            isRow ? std::string(FileNameOf(view.RowText(current, ColumnSource))) : "";
        view.SetCurrentFileText(name + "   " + std::to_string(progress) + "% has completed");
    }
    const int total = engine.m_checkedCount;
    view.SetBatchText(std::to_string(state.m_completedCount) + " Task Completed / Total " +
                      std::to_string(total) + " Task(s)");
    if (total > 0) {
        view.SetBatchPercent(state.m_completedCount * 100 / total);
    }
    if (progress >= 0 && progress <= 100) {
        view.SetCurrentFilePercent(progress);
    }
}

void CloseProgressDialog(ProgressView& view, AVConvert& engine) {
    view.KillConversionTimer();
    RequestStop(engine);
    std::this_thread::sleep_for(kStopGrace);
    view.KillConversionTimer();
    if (view.IsProgressDialogOpen()) {
        view.EndProgressDialog();
    }
}

void EndBatch(MainView& view, MainWindowState& state, MainServices& services, AVConvert& engine) {
    state.m_batchEndHandled = true;
    CloseProgressDialog(view, engine);
    // Before the file manager takes the focus from the window.
    NotifyBatchEndWhenAway(services.notifier, state, engine);
    services.shell.OpenFolder(state.m_outputFolder);
    if (state.m_shutdownWhenDone) {
        ShutDownComputer(services.power);
    }
}

} // namespace

int MarkFinishedRows(TaskListView& view, const MainWindowState& state, const AVConvert& engine) {
    const int rows = view.RowCount();
    const int limit = std::min(static_cast<int>(state.m_checkedRows.size()),
                               static_cast<int>(engine.m_taskStatus.size()));
    int finished = 0;
    for (int i = 0; i < limit; ++i) {
        const int row = state.m_checkedRows[static_cast<size_t>(i)];
        if (row < 0 || row >= rows) {
            continue;
        }
        const uint8_t status = TaskStatusOf(engine, i);
        if (status == TaskFailed) {
            view.SetRowText(row, ColumnStatus, kFailedStatus);
            view.SetRowStatusTip(row, TaskFailureText(engine, i));
            ++finished;
        } else if (status == TaskCompleted) {
            view.SetRowText(row, ColumnStatus, kCompletedStatus);
            view.SetRowStatusTip(
                row, LoudnessNoteText(engine.m_taskLoudness[i].load(std::memory_order_relaxed)));
            view.SetRowChecked(row, false);
            ++finished;
        }
    }
    return finished;
}

void ProgressTick(MainView& view, MainWindowState& state, MainServices& services) {
    if (!g_engine) {
        return;
    }
    AVConvert& engine = *g_engine;
    const int current = LoadCurrentTask(engine);
    const int progress = LoadRelaxed(engine.m_progress);
    ShowProgress(view, state, engine, current, progress);
    if (StopRequested(engine)) {
        CloseProgressDialog(view, engine);
    }
    state.m_completedCount = MarkFinishedRows(view, state, engine);
    if (view.RowCount() == current && !state.m_batchEndHandled) {
        EndBatch(view, state, services, engine);
    }
}

void StopConversion(ProgressView& view) {
    if (g_engine) {
        RequestStop(*g_engine);
    }
    std::this_thread::sleep_for(kStopGrace);
    view.KillConversionTimer();
}

bool ShutDownComputer(PowerControl& power) {
    return power.PowerOff();
}
