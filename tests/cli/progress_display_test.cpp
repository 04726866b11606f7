#include "cli/progress_display.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Collects what a display writes.
class CapturedStream {
public:
    CapturedStream() : file_(open_memstream(&buffer_, &size_)) {}
    ~CapturedStream() {
        std::fclose(file_);
        std::free(buffer_);
    }
    std::FILE* file() { return file_; }
    std::string Text() {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
    std::FILE* file_;
};

void PrepareRows(AVConvert& engine) {
    PrepareBatch(engine, 3);
    engine.m_inputPaths = {"dir/a.wav", "dir/b.flac", "dir/c.mp4"};
    StoreRelaxed(engine.m_currentTask, -1);
}

// Drives a display through a run where the polls miss row 1 entirely.
std::string ShowRun(bool terminal) {
    AVConvert engine;
    PrepareRows(engine);
    CapturedStream out;
    ProgressDisplay display(engine, out.file(), terminal);
    display.Poll(); // not started yet
    StoreRelaxed(engine.m_currentTask, 0);
    StoreRelaxed(engine.m_progress, 40);
    display.Poll();
    SetTaskStatus(engine, 0, TaskCompleted);
    SetTaskStatus(engine, 1, TaskFailed);
    StoreRelaxed(engine.m_currentTask, 2);
    StoreRelaxed(engine.m_progress, 70);
    display.Poll();
    SetTaskStatus(engine, 2, TaskCompleted);
    StoreRelaxed(engine.m_currentTask, 3);
    display.Finish();
    return out.Text();
}

TEST(CliProgress, PlainLinesForEveryStartAndEndEvenBetweenPolls) {
    EXPECT_EQ(ShowRun(false), "[1/3] dir/a.wav: converting\n"
                              "[1/3] dir/a.wav: completed\n"
                              "[2/3] dir/b.flac: converting\n"
                              "[2/3] dir/b.flac: failed\n"
                              "[3/3] dir/c.mp4: converting\n"
                              "[3/3] dir/c.mp4: completed\n");
}

// What a terminal shows after `text`: handles the carriage return, new line,
// cursor up (ESC [ n A) and the clearing codes (ESC [ J, ESC [ K) the
// display writes.
std::vector<std::string> Screen(const std::string& text) {
    std::vector<std::string> lines(1);
    size_t row = 0;
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            column = 0;
            if (++row == lines.size()) {
                lines.emplace_back();
            }
        } else if (c == '\33' && i + 1 < text.size() && text[i + 1] == '[') {
            size_t end = i + 2;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
                ++end;
            }
            const int count = end > i + 2 ? std::stoi(text.substr(i + 2, end - i - 2)) : 1;
            if (text[end] == 'A') {
                row -= std::min(row, static_cast<size_t>(count));
            } else if (text[end] == 'J') {
                lines.resize(row + 1);
                lines[row].resize(std::min(lines[row].size(), column));
            } else if (text[end] == 'K') {
                lines[row].resize(std::min(lines[row].size(), column));
            }
            i = end;
        } else {
            if (lines[row].size() <= column) {
                lines[row].resize(column + 1, ' ');
            }
            lines[row][column++] = c;
        }
    }
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

TEST(CliProgress, TerminalKeepsOneLinePerFileWithItsOutcome) {
    EXPECT_EQ(Screen(ShowRun(true)),
              (std::vector<std::string>{ProgressBarText(100, "a.wav") + " - completed",
                                        ProgressBarText(0, "b.flac") + " - failed",
                                        ProgressBarText(100, "c.mp4") + " - completed"}));
}

// Two rows running at once, the second ending first, then a stop while the
// first and third run: every running file has a bar of its own, each end
// takes its line above the bars in the order the ends were seen, and the
// stopped files end as stopped.
TEST(CliProgress, SideBySideRowsEachShowABarAndEndInTheOrderTheyEnd) {
    for (const bool terminal : {true, false}) {
        SCOPED_TRACE(terminal ? "terminal" : "plain");
        AVConvert engine;
        PrepareRows(engine);
        CapturedStream out;
        ProgressDisplay display(engine, out.file(), terminal);
        StoreRelaxed(engine.m_currentTask, 0);
        StoreRelaxed(engine.m_progress, 10);
        SetTaskProgress(engine, 0, 10);
        SetTaskProgress(engine, 1, 30);
        display.Poll();
        if (terminal) {
            EXPECT_EQ(Screen(out.Text()),
                      (std::vector<std::string>{ProgressBarText(10, "a.wav"),
                                                ProgressBarText(30, "b.flac")}));
        }
        SetTaskProgress(engine, 1, 100);
        SetTaskStatus(engine, 1, TaskCompleted);
        SetTaskProgress(engine, 2, 50);
        StoreRelaxed(engine.m_progress, 60);
        display.Poll();
        if (terminal) {
            EXPECT_EQ(Screen(out.Text()),
                      (std::vector<std::string>{ProgressBarText(100, "b.flac") + " - completed",
                                                ProgressBarText(60, "a.wav"),
                                                ProgressBarText(50, "c.mp4")}));
        }
        RequestStop(engine);
        StoreRelaxed(engine.m_currentTask, 3); // both stopped rows kept their files
        display.Finish();
        if (terminal) {
            EXPECT_EQ(Screen(out.Text()),
                      (std::vector<std::string>{ProgressBarText(100, "b.flac") + " - completed",
                                                ProgressBarText(60, "a.wav") + " - stopped",
                                                ProgressBarText(50, "c.mp4") + " - stopped"}));
        } else {
            EXPECT_EQ(out.Text(), "[1/3] dir/a.wav: converting\n"
                                  "[2/3] dir/b.flac: converting\n"
                                  "[2/3] dir/b.flac: completed\n"
                                  "[3/3] dir/c.mp4: converting\n"
                                  "[1/3] dir/a.wav: stopped\n"
                                  "[3/3] dir/c.mp4: stopped\n");
        }
    }
}

TEST(CliProgress, StopBeforeARowBeginsEndsItsLine) {
    AVConvert engine;
    PrepareRows(engine);
    CapturedStream out;
    ProgressDisplay display(engine, out.file(), false);
    StoreRelaxed(engine.m_currentTask, 0);
    display.Poll();
    RequestStop(engine); // the worker returns before converting row 0
    display.Finish();
    EXPECT_EQ(out.Text(), "[1/3] dir/a.wav: converting\n"
                          "[1/3] dir/a.wav: stopped before it began\n");
}

TEST(CliProgress, BarTextClampsAndFills) {
    EXPECT_EQ(ProgressBarText(-1, "x"), ProgressBarText(0, "x"));
    EXPECT_EQ(ProgressBarText(250, "x"), ProgressBarText(100, "x"));
    EXPECT_EQ(ProgressBarText(0, "x"), "[" + std::string(30, '.') + "]   0% x");
    EXPECT_EQ(ProgressBarText(50, "x"),
              "[" + std::string(15, '#') + std::string(15, '.') + "]  50% x");
    EXPECT_EQ(ProgressBarText(100, "x"), "[" + std::string(30, '#') + "] 100% x");
}

} // namespace
