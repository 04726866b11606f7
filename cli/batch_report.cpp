#include "cli/batch_report.h"

#include "engine/failure_reason.h"

namespace {

std::string RowSummary(const AVConvert& engine, int row) {
    switch (TaskStatusOf(engine, row)) {
    case TaskCompleted:
        return "Completed " + engine.m_outputPaths[row];
    case TaskFailed:
        // A failed row leaves no file behind, so name the source instead.
        return "Failure " + engine.m_inputPaths[row] +
               " (nothing written): " + TaskFailureText(engine, row);
    default:
        // The worker moves past a row only after it has written its file,
        // unless the stop came before any sound (no output name then).
        if (row < LoadCurrentTask(engine) && !engine.m_outputPaths[row].empty()) {
            return "Stopped (partial) " + engine.m_outputPaths[row];
        }
        return "Stopped (not converted) " + engine.m_inputPaths[row];
    }
}

} // namespace

std::string BatchSummary(const AVConvert& engine) {
    std::string text;
    for (int row = 0; row < engine.m_taskCount; ++row) {
        text += RowSummary(engine, row) + "\n";
    }
    return text;
}

std::string RowSummaryLine(const AVConvert& engine, int row) {
    return RowSummary(engine, row);
}

int BatchExitCode(const AVConvert& engine, size_t refusedFiles, bool interrupted) {
    if (interrupted) {
        return kExitInterrupted;
    }
    if (refusedFiles > 0) {
        return kExitSomeFailed;
    }
    for (int row = 0; row < engine.m_taskCount; ++row) {
        if (TaskStatusOf(engine, row) != TaskCompleted) {
            return kExitSomeFailed;
        }
    }
    return kExitAllCompleted;
}
