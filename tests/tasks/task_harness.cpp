#include "tests/tasks/task_harness.h"

#include "tests/support/media_check.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace veltrano::test {

// Made beside the other scratch folders and kept: test processes running side
// by side share it, so it appears whole, by a rename, and is never wiped.
std::string LongSourcePath() {
    static const std::string path = [] {
        const std::string folder = std::string(VELTRANO_SCRATCH_DIR) + "/tasks_long_source";
        const std::string file = folder + "/long.wav";
        if (!FileExists(file)) {
            std::filesystem::create_directories(folder);
            const std::string part = folder + "/long." + std::to_string(::getpid()) + ".wav";
            RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                       "sine=frequency=440:sample_rate=44100:duration=180 -ac 2 -c:a pcm_s16le " +
                       ShellQuote(part));
            std::filesystem::rename(part, file);
        }
        return file;
    }();
    return path;
}

int WholeSecondsOf(const std::string& path) {
    const std::string text = RunCommand("ffprobe -v error -show_entries format=duration -of "
                                        "default=nw=1:nk=1 " +
                                        ShellQuote(path));
    return static_cast<int>(std::atof(text.c_str()));
}

} // namespace veltrano::test
