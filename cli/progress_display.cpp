#include "cli/progress_display.h"

#include "tasks/output_path.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 30;

} // namespace

std::string ProgressBarText(int percent, std::string_view name) {
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * kBarWidth / 100;
    std::string text = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
    const std::string number = std::to_string(percent);
    text += std::string(3 - number.size(), ' ') + number + "% " + std::string(name);
    return text;
}

std::string_view RowOutcomeWord(uint8_t status) {
    switch (status) {
    case TaskCompleted:
        return "completed";
    case TaskFailed:
        return "failed";
    default:
        return "stopped";
    }
}

ProgressDisplay::ProgressDisplay(const AVConvert& engine, std::FILE* out, bool terminal)
    : engine_(engine), out_(out), terminal_(terminal),
      rows_(static_cast<size_t>(std::max(0, engine.m_taskCount))) {}

std::string ProgressDisplay::RowLabel(int row) const {
    return "[" + std::to_string(row + 1) + "/" + std::to_string(engine_.m_taskCount) + "] " +
           engine_.m_inputPaths[row];
}

std::string_view ProgressDisplay::RowName(int row) const {
    return FileNameOf(engine_.m_inputPaths[row]);
}

// The current row counts as started as soon as the worker reaches it; rows
// above it (several run at once) once the worker has given them a percentage.
bool ProgressDisplay::HasStarted(int row, int current) const {
    if (row < current) {
        return true;
    }
    if (row == current && !StopRequested(engine_)) {
        return true;
    }
    return TaskProgressOf(engine_, row) >= 0;
}

// Rows below the current one have ended; above it, a final status tells.
bool ProgressDisplay::HasEnded(int row, int current) const {
    return row < current || TaskStatusOf(engine_, row) != TaskPending;
}

int ProgressDisplay::LivePercent(int row, int current) const {
    const int percent =
        row == current ? LoadRelaxed(engine_.m_progress) : TaskProgressOf(engine_, row);
    return std::max(0, percent);
}

void ProgressDisplay::ShowStart(int row) {
    rows_[static_cast<size_t>(row)].startShown = true;
    if (!terminal_) {
        std::fprintf(out_, "%s: converting\n", RowLabel(row).c_str());
    }
}

void ProgressDisplay::ShowEnd(int row, std::string_view outcome) {
    RowView& view = rows_[static_cast<size_t>(row)];
    view.endShown = true;
    if (terminal_) {
        const int percent = outcome == RowOutcomeWord(TaskCompleted) ? 100 : view.percent;
        std::fprintf(out_, "%s - %.*s\n", ProgressBarText(percent, RowName(row)).c_str(),
                     static_cast<int>(outcome.size()), outcome.data());
    } else {
        std::fprintf(out_, "%s: %.*s\n", RowLabel(row).c_str(), static_cast<int>(outcome.size()),
                     outcome.data());
    }
}

// Moves the cursor back to the first bar line and clears from there down.
void ProgressDisplay::EraseRunningBars() {
    if (!runningShown_.empty()) {
        std::fprintf(out_, "\33[%zuA\r\33[J", runningShown_.size());
    }
    runningShown_.clear();
    runningBarsText_.clear();
}

void ProgressDisplay::RedrawRunningBars(int current) {
    std::vector<int> running;
    std::string text;
    for (int row = firstOpen_; row < engine_.m_taskCount; ++row) {
        RowView& view = rows_[static_cast<size_t>(row)];
        if (view.endShown) {
            continue;
        }
        if (!view.startShown) {
            break; // rows start in order
        }
        view.percent = LivePercent(row, current);
        running.push_back(row);
        text += ProgressBarText(view.percent, RowName(row)) + "\n";
    }
    if (text == runningBarsText_) {
        return;
    }
    EraseRunningBars();
    std::fputs(text.c_str(), out_);
    runningShown_ = std::move(running);
    runningBarsText_ = std::move(text);
}

void ProgressDisplay::Poll() {
    const int current = std::min(LoadCurrentTask(engine_), engine_.m_taskCount);
    for (int row = firstOpen_; row < engine_.m_taskCount; ++row) {
        RowView& view = rows_[static_cast<size_t>(row)];
        if (!view.startShown) {
            if (!HasStarted(row, current)) {
                break;
            }
            ShowStart(row);
        }
        if (!view.endShown && HasEnded(row, current)) {
            if (terminal_) {
                EraseRunningBars(); // the end line takes the place of the bars
            }
            ShowEnd(row, RowOutcomeWord(TaskStatusOf(engine_, row)));
        }
    }
    while (firstOpen_ < engine_.m_taskCount && rows_[static_cast<size_t>(firstOpen_)].endShown) {
        ++firstOpen_;
    }
    if (terminal_) {
        RedrawRunningBars(current);
    }
    std::fflush(out_);
}

void ProgressDisplay::Finish() {
    Poll();
    if (terminal_) {
        EraseRunningBars();
    }
    for (int row = firstOpen_; row < engine_.m_taskCount; ++row) {
        const RowView& view = rows_[static_cast<size_t>(row)];
        if (view.startShown && !view.endShown) {
            ShowEnd(row, "stopped before it began");
        }
    }
    std::fflush(out_);
}
