// One main window's worth of fakes and state for a test.
#pragma once

#include "tests/tasks/fake_main_view.h"

#include <string>

namespace veltrano::test {

struct TaskHarness {
    MainWindowState state;
    FakeServices fakes;
    FakeMainView view{state, fakes.services};
};

// A long source (three minutes of stereo sound) whose conversion outlasts
// several progress ticks; made once per test run.
std::string LongSourcePath();

// Whole seconds of a file's duration as ffprobe reads its container.
int WholeSecondsOf(const std::string& path);

} // namespace veltrano::test
