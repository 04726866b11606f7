#include "engine/output_naming.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
}

namespace {

// Gives up after this many taken names rather than loop without end.
constexpr int kMaxCounter = 100000;

} // namespace

std::string OutputNameCandidate(const std::string& baseName, int counter) {
    if (counter < 0) {
        return baseName;
    }
    const size_t nameStart = baseName.rfind('/');
    size_t dot = baseName.rfind('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) {
        dot = baseName.size();
    }
    return baseName.substr(0, dot) + "(" + std::to_string(counter) + ")" + baseName.substr(dot);
}

int CreateUniqueOutputFile(const std::string& baseName, std::string& chosen) {
    for (int counter = -1; counter < kMaxCounter; ++counter) {
        const std::string candidate = OutputNameCandidate(baseName, counter);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            chosen = candidate;
            return 0;
        }
        if (errno != EEXIST) {
            return AVERROR(errno);
        }
    }
    return AVERROR(EEXIST);
}
