#include "tasks/stopped_rows.h"

#include "engine/av_convert.h"
#include "tasks/clock_text.h"
#include "tasks/output_path.h"
#include "tasks/progress_tick.h"
#include "tasks/written_length.h"

#include <algorithm>

namespace {

// A row the worker started and left neither completed nor failed, with a
// file written; a stop before any sound leaves no file.
bool WasCutShort(const AVConvert& engine, int row) {
    return TaskStatusOf(engine, row) == TaskPending && TaskProgressOf(engine, row) >= 0 &&
           !engine.m_outputPaths[static_cast<size_t>(row)].empty();
}

} // namespace

std::string StoppedRowTip(int endSeconds, const std::string& outputPath) {
    return "Stopped at " + FormatHms(endSeconds) + ": " + std::string(FileNameOf(outputPath)) +
           " holds the part before";
}

void NoteStoppedRows(TaskListView& view, MainWindowState& state) {
    if (!state.m_stoppedRowsPending || state.m_worker.IsRunning() || g_engine == nullptr) {
        return;
    }
    state.m_stoppedRowsPending = false;
    const AVConvert& engine = *g_engine;
    // Rows that finished their files after the Stop closed the progress
    // dialog: a completed one is unchecked like any other, so the next
    // Convert does not write it again.
    MarkFinishedRows(view, state, engine);
    const int rows = std::min({view.RowCount(), static_cast<int>(state.m_checkedRows.size()),
                               static_cast<int>(engine.m_taskStatus.size())});
    for (int row = 0; row < rows; ++row) {
        const auto index = static_cast<size_t>(row);
        // The list may have changed since the Stop: a row is noted only where
        // it still stands.
        if (state.m_checkedRows[index] != row || !WasCutShort(engine, row) ||
            view.RowText(row, ColumnSource) != engine.m_inputPaths[index]) {
            continue;
        }
        const std::string& output = engine.m_outputPaths[index];
        const double written = WrittenSeconds(output);
        if (written >= 0) {
            const double end = engine.m_clipStart[index] + written;
            view.SetRowStatusTip(row, StoppedRowTip(static_cast<int>(end), output));
        }
    }
}
