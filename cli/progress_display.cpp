#include "cli/progress_display.h"

#include "engine/album_gain.h"
#include "engine/failure_reason.h"
#include "tasks/output_path.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 30;

// A row normalised with its album gets the album's gain, whether or not the
// track itself has a loudness.
std::string AlbumLevelText(const RowLevel& level) {
    char text[160];
    if (level.measured) {
        std::snprintf(text, sizeof text, "loudness %.1f LUFS, album %.1f LUFS, album gain %+.1f dB",
                      level.integrated, level.albumIntegrated, level.gainDb);
    } else {
        std::snprintf(text, sizeof text,
                      "loudness not measurable (silent or shorter than 400 ms), album %.1f LUFS, "
                      "album gain %+.1f dB",
                      level.albumIntegrated, level.gainDb);
    }
    std::string line = text;
    if (level.limited) {
        line += std::string(", ") + LoudnessNoteText(LoudnessNoteLimited);
    }
    return line;
}

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
    : m_engine(engine), m_out(out), m_terminal(terminal),
      m_rows(static_cast<size_t>(std::max(0, engine.m_taskCount))) {}

std::string ProgressDisplay::RowLabel(int row) const {
    return "[" + std::to_string(row + 1) + "/" + std::to_string(m_engine.m_taskCount) + "] " +
           m_engine.m_inputPaths[row];
}

std::string_view ProgressDisplay::RowName(int row) const {
    return FileNameOf(m_engine.m_inputPaths[row]);
}

// The current row counts as started as soon as the worker reaches it; rows
// above it (several run at once) once the worker has given them a percentage.
bool ProgressDisplay::HasStarted(int row, int current) const {
    if (row < current) {
        return true;
    }
    // While a normalising batch measures its rows, none has started.
    if (row == current && !StopRequested(m_engine) &&
        !m_engine.m_measuring.load(std::memory_order_acquire)) {
        return true;
    }
    return TaskProgressOf(m_engine, row) >= 0;
}

// Rows below the current one have ended; above it, a final status tells.
bool ProgressDisplay::HasEnded(int row, int current) const {
    return row < current || TaskStatusOf(m_engine, row) != TaskPending;
}

int ProgressDisplay::LivePercent(int row, int current) const {
    const int percent =
        row == current ? LoadRelaxed(m_engine.m_progress) : TaskProgressOf(m_engine, row);
    return std::max(0, percent);
}

// What the analysis of a normalising batch found for a row.
std::string ProgressDisplay::LevelText(int row) const {
    const RowLevel& level = m_engine.m_rowLevels[static_cast<size_t>(row)];
    if (level.failure != FailureNone) {
        return "its sound cannot be measured";
    }
    if (level.byAlbum) {
        return AlbumLevelText(level);
    }
    if (!level.measured) {
        return "loudness not measurable (silent or shorter than 400 ms), level kept";
    }
    char text[96];
    std::snprintf(text, sizeof text, "loudness %.1f LUFS, gain %+.1f dB", level.integrated,
                  level.gainDb);
    std::string line = text;
    if (level.limited) {
        line += std::string(", ") + LoudnessNoteText(LoudnessNoteLimited);
    }
    return line;
}

// A line per row as the analysis measures it, in row order.
void ProgressDisplay::ShowMeasuredRows() {
    for (int row = 0; row < m_engine.m_taskCount; ++row) {
        RowView& view = m_rows[static_cast<size_t>(row)];
        if (view.measuredShown || m_engine.m_inputPaths[static_cast<size_t>(row)].empty()) {
            continue;
        }
        if (m_engine.m_taskMeasured[static_cast<size_t>(row)].load(std::memory_order_acquire) ==
            0) {
            return;
        }
        view.measuredShown = true;
        if (m_terminal) {
            EraseRunningBars();
        }
        std::fprintf(m_out, "%s: %s\n", RowLabel(row).c_str(), LevelText(row).c_str());
    }
}

void ProgressDisplay::ShowStart(int row) {
    m_rows[static_cast<size_t>(row)].startShown = true;
    if (!m_terminal) {
        std::fprintf(m_out, "%s: converting\n", RowLabel(row).c_str());
    }
}

// The row's outcome, and what its loudness came to when that has a word.
std::string ProgressDisplay::EndText(int row) const {
    std::string text(RowOutcomeWord(TaskStatusOf(m_engine, row)));
    const uint8_t note =
        m_engine.m_taskLoudness[static_cast<size_t>(row)].load(std::memory_order_relaxed);
    if (const char* words = LoudnessNoteText(note); *words) {
        text += std::string(" (") + words + ")";
    }
    return text;
}

void ProgressDisplay::ShowEnd(int row, std::string_view outcome) {
    RowView& view = m_rows[static_cast<size_t>(row)];
    view.endShown = true;
    if (m_terminal) {
        const int percent = outcome.starts_with(RowOutcomeWord(TaskCompleted)) ? 100 : view.percent;
        std::fprintf(m_out, "%s - %.*s\n", ProgressBarText(percent, RowName(row)).c_str(),
                     static_cast<int>(outcome.size()), outcome.data());
    } else {
        std::fprintf(m_out, "%s: %.*s\n", RowLabel(row).c_str(), static_cast<int>(outcome.size()),
                     outcome.data());
    }
}

// Moves the cursor back to the first bar line and clears from there down.
void ProgressDisplay::EraseRunningBars() {
    if (!m_runningShown.empty()) {
        std::fprintf(m_out, "\33[%zuA\r\33[J", m_runningShown.size());
    }
    m_runningShown.clear();
    m_runningBarsText.clear();
}

void ProgressDisplay::RedrawRunningBars(int current) {
    std::vector<int> running;
    std::string text;
    for (int row = m_firstOpen; row < m_engine.m_taskCount; ++row) {
        RowView& view = m_rows[static_cast<size_t>(row)];
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
    if (text == m_runningBarsText) {
        return;
    }
    EraseRunningBars();
    std::fputs(text.c_str(), m_out);
    m_runningShown = std::move(running);
    m_runningBarsText = std::move(text);
}

void ProgressDisplay::Poll() {
    if (m_engine.m_normalizeLufs != 0) {
        ShowMeasuredRows();
    }
    const int current = std::min(LoadCurrentTask(m_engine), m_engine.m_taskCount);
    for (int row = m_firstOpen; row < m_engine.m_taskCount; ++row) {
        RowView& view = m_rows[static_cast<size_t>(row)];
        if (!view.startShown) {
            if (!HasStarted(row, current)) {
                break;
            }
            ShowStart(row);
        }
        if (!view.endShown && HasEnded(row, current)) {
            if (m_terminal) {
                EraseRunningBars(); // the end line takes the place of the bars
            }
            ShowEnd(row, EndText(row));
        }
    }
    while (m_firstOpen < m_engine.m_taskCount &&
           m_rows[static_cast<size_t>(m_firstOpen)].endShown) {
        ++m_firstOpen;
    }
    if (m_terminal) {
        RedrawRunningBars(current);
    }
    std::fflush(m_out);
}

void ProgressDisplay::Finish() {
    Poll();
    if (m_terminal) {
        EraseRunningBars();
    }
    for (int row = m_firstOpen; row < m_engine.m_taskCount; ++row) {
        const RowView& view = m_rows[static_cast<size_t>(row)];
        if (view.startShown && !view.endShown) {
            ShowEnd(row, "stopped before it began");
        }
    }
    std::fflush(m_out);
}
