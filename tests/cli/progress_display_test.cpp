#include "cli/progress_display.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

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

TEST(CliProgress, TerminalRedrawsOneBarLinePerFile) {
    const std::string text = ShowRun(true);
    EXPECT_NE(text.find("\r" + ProgressBarText(40, "a.wav")), std::string::npos);
    EXPECT_NE(text.find("\r" + ProgressBarText(100, "a.wav") + " - completed"), std::string::npos);
    EXPECT_NE(text.find(" b.flac - failed"), std::string::npos);
    EXPECT_NE(text.find("\r" + ProgressBarText(70, "c.mp4")), std::string::npos);
    EXPECT_NE(text.find("\r" + ProgressBarText(100, "c.mp4") + " - completed"), std::string::npos);
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 3u);
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
