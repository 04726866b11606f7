#include "engine/output_naming.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
}

namespace {

// Gives up after this many taken names rather than loop without end.
constexpr int kMaxCounter = 100000;

std::string WorkFileCandidate(const std::string& baseName, int counter) {
    const std::string candidate = OutputNameCandidate(baseName, counter);
    const size_t nameStart = candidate.rfind('/') + 1; // npos + 1 is 0
    return candidate.substr(0, nameStart) + "." + candidate.substr(nameStart) + ".part";
}

// Claims a path that does not exist yet: 0, -EEXIST, or another -errno.
int CreateExclusively(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -errno;
    }
    ::close(fd);
    return 0;
}

bool IsUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP ||
           error == EPERM || error == EMLINK;
}

// Some file systems (FAT on a memory stick) have neither an exclusive rename
// nor hard links: claim the name exclusively, then rename over that claim.
int MoveOverOwnClaim(const std::string& from, const std::string& to) {
    if (const int claimed = CreateExclusively(to); claimed < 0) {
        return claimed;
    }
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        return 0;
    }
    const int error = errno;
    ::unlink(to.c_str());
    return -error;
}

// Moves `from` to `to` unless something exists at `to`: 0, -EEXIST when the
// name is taken, or another -errno.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (!IsUnsupported(errno)) {
        return -errno;
    }
    // A hard link never replaces an existing name either.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (!IsUnsupported(errno)) {
        return -errno;
    }
    return MoveOverOwnClaim(from, to);
}

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

int CreateWorkFile(const std::string& baseName, std::string& workPath) {
    for (int counter = -1; counter < kMaxCounter; ++counter) {
        const std::string candidate = WorkFileCandidate(baseName, counter);
        const int result = CreateExclusively(candidate);
        if (result == 0) {
            workPath = candidate;
            return 0;
        }
        if (result != -EEXIST) {
            return AVERROR(-result);
        }
    }
    return AVERROR(EEXIST);
}

int PublishOutputFile(const std::string& workPath, const std::string& baseName,
                      std::string& chosen) {
    for (int counter = -1; counter < kMaxCounter; ++counter) {
        const std::string candidate = OutputNameCandidate(baseName, counter);
        const int result = MoveWithoutReplacing(workPath, candidate);
        if (result == 0) {
            chosen = candidate;
            return 0;
        }
        if (result != -EEXIST) {
            return AVERROR(-result);
        }
    }
    return AVERROR(EEXIST);
}
