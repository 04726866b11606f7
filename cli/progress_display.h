// Shows a running batch from the main thread: a redrawn bar per file on a
// terminal, plain start and end lines anywhere else (logs, pipes).
#pragma once

#include "engine/av_convert.h"

#include <cstdio>
#include <string>
#include <string_view>

// "[#######.............]  35% name" for a percentage (clamped to 0..100).
std::string ProgressBarText(int percent, std::string_view name);

// What a row's final status means to the user.
std::string_view RowOutcomeWord(uint8_t status);

class ProgressDisplay {
public:
    ProgressDisplay(const AVConvert& engine, std::FILE* out, bool terminal);

    // Reads the run state (relaxed, possibly a step old) and shows what
    // changed since the last call.
    void Poll();

    // After the worker has ended: shows the ends of the rows still open.
    void Finish();

private:
    void ShowStart(int row);
    void ShowProgress(int row, int percent);
    void ShowEnd(int row, std::string_view outcome);
    std::string RowLabel(int row) const;

    const AVConvert& engine_;
    std::FILE* out_;
    bool terminal_;
    int openRow_ = -1; // row whose start is shown and whose end is not
    int nextRow_ = 0;  // first row whose start is not shown yet
    int shownPercent_ = -1;
};
