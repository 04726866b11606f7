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
    : engine_(engine), out_(out), terminal_(terminal) {}

std::string ProgressDisplay::RowLabel(int row) const {
    return "[" + std::to_string(row + 1) + "/" + std::to_string(engine_.m_taskCount) + "] " +
           engine_.m_inputPaths[row];
}

void ProgressDisplay::ShowStart(int row) {
    openRow_ = row;
    nextRow_ = row + 1;
    shownPercent_ = -1;
    if (terminal_) {
        ShowProgress(row, 0);
    } else {
        std::fprintf(out_, "%s: converting\n", RowLabel(row).c_str());
        std::fflush(out_);
    }
}

void ProgressDisplay::ShowProgress(int row, int percent) {
    if (!terminal_ || percent == shownPercent_) {
        return;
    }
    shownPercent_ = percent;
    const std::string bar = ProgressBarText(percent, FileNameOf(engine_.m_inputPaths[row]));
    // "\33[K" clears what a longer earlier line left behind.
    std::fprintf(out_, "\r%s\33[K", bar.c_str());
    std::fflush(out_);
}

void ProgressDisplay::ShowEnd(int row, std::string_view outcome) {
    if (terminal_) {
        const int percent = outcome == RowOutcomeWord(TaskCompleted) ? 100 : shownPercent_;
        const std::string bar = ProgressBarText(percent, FileNameOf(engine_.m_inputPaths[row]));
        std::fprintf(out_, "\r%s - %.*s\33[K\n", bar.c_str(), static_cast<int>(outcome.size()),
                     outcome.data());
    } else {
        std::fprintf(out_, "%s: %.*s\n", RowLabel(row).c_str(), static_cast<int>(outcome.size()),
                     outcome.data());
    }
    std::fflush(out_);
    openRow_ = -1;
}

void ProgressDisplay::Poll() {
    const int current = std::min(LoadCurrentTask(engine_), engine_.m_taskCount);
    // Rows below the current one have ended, possibly several since the last poll.
    while (nextRow_ < current || (openRow_ >= 0 && openRow_ < current)) {
        if (openRow_ < 0) {
            ShowStart(nextRow_);
        }
        ShowEnd(openRow_, RowOutcomeWord(TaskStatusOf(engine_, openRow_)));
    }
    if (current < 0 || current >= engine_.m_taskCount || StopRequested(engine_)) {
        return;
    }
    if (openRow_ != current) {
        ShowStart(current);
    }
    ShowProgress(current, std::max(0, LoadRelaxed(engine_.m_progress)));
}

void ProgressDisplay::Finish() {
    Poll();
    if (openRow_ >= 0) {
        ShowEnd(openRow_, "stopped before it began");
    }
}
