#include "tests/tasks/task_harness.h"

#include "tests/support/media_check.h"

namespace veltrano::test {

std::string LongSourcePath() {
    static const std::string path = [] {
        const std::string file = MakeScratchDir("tasks_long_source") + "/long.wav";
        RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                   "sine=frequency=440:sample_rate=44100:duration=180 -ac 2 -c:a pcm_s16le " +
                   ShellQuote(file));
        return file;
    }();
    return path;
}

} // namespace veltrano::test
