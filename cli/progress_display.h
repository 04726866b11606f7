// Shows a running batch from the main thread: on a terminal, a bar per
// running file redrawn in place below the files that have ended; anywhere
// else (logs, pipes), plain lines as each file starts and ends.
#pragma once

#include "engine/av_convert.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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
    struct RowView {
        bool measuredShown = false;
        bool startShown = false;
        bool endShown = false;
        int percent = 0;
    };

    bool HasStarted(int row, int current) const;
    bool HasEnded(int row, int current) const;
    int LivePercent(int row, int current) const;
    void ShowMeasuredRows();
    std::string LevelText(int row) const;
    void ShowStart(int row);
    std::string EndText(int row) const;
    void ShowEnd(int row, std::string_view outcome);
    void RedrawRunningBars(int current);
    void EraseRunningBars();
    std::string RowLabel(int row) const;
    std::string_view RowName(int row) const;

    const AVConvert& m_engine;
    std::FILE* m_out;
    bool m_terminal;
    std::vector<RowView> m_rows;
    int m_firstOpen = 0;             // rows below it have shown their end
    std::vector<int> m_runningShown; // rows whose bars are on the screen now
    std::string m_runningBarsText;   // what those bar lines read
};
