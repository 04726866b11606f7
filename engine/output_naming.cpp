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

// Flushes a folder's entries; file systems that cannot do that for a folder
// say so with EINVAL, and lose nothing by it.
int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return AVERROR(errno);
    }
    int result = 0;
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        result = AVERROR(errno);
    }
    ::close(fd);
    return result;
}

// Claims a path that does not exist yet: 0, AVERROR(EEXIST), or another
// AVERROR(errno).
int CreateExclusively(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return AVERROR(errno);
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
    return AVERROR(error);
}

// Moves `from` to `to` unless something exists at `to`: 0, AVERROR(EEXIST)
// when the name is taken, or another AVERROR(errno).
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (!IsUnsupported(errno)) {
        return AVERROR(errno);
    }
    // A hard link never replaces an existing name either.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (!IsUnsupported(errno)) {
        return AVERROR(errno);
    }
    return MoveOverOwnClaim(from, to);
}

} // namespace

size_t CounterPosition(const std::string& baseName) {
    const size_t nameStart = baseName.rfind('/');
    const size_t dot = baseName.rfind('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) {
        return baseName.size();
    }
    return dot;
}

std::string OutputNameCandidate(const std::string& baseName, int counter) {
    if (counter < 0) {
        return baseName;
    }
    const size_t at = CounterPosition(baseName);
    return baseName.substr(0, at) + "(" + std::to_string(counter) + ")" + baseName.substr(at);
}

int ReplaceOutputFile(WorkFile& work, const std::string& outputPath, std::string& chosen) {
    if (work.fd < 0 || ::fsync(work.fd) != 0) {
        return AVERROR(work.fd < 0 ? EBADF : errno);
    }
    if (std::rename(work.path.c_str(), outputPath.c_str()) != 0) {
        return AVERROR(errno);
    }
    // The old file is gone already; a folder that cannot be flushed loses
    // nothing more by keeping the new name.
    SyncFolder(FolderOf(outputPath));
    chosen = outputPath;
    ReleaseWorkFile(work);
    return 0;
}

int PublishOutputFile(WorkFile& work, const std::string& baseName, std::string& chosen) {
    // The data must be on the disk before a finished-looking name points at it.
    if (work.fd < 0 || ::fsync(work.fd) != 0) {
        return AVERROR(work.fd < 0 ? EBADF : errno);
    }
    for (int counter = -1; counter < kMaxCounter; ++counter) {
        const std::string candidate = OutputNameCandidate(baseName, counter);
        const int result = MoveWithoutReplacing(work.path, candidate);
        if (result == AVERROR(EEXIST)) {
            continue;
        }
        if (result < 0) {
            return result;
        }
        if (const int synced = SyncFolder(FolderOf(candidate)); synced < 0) {
            // The name may not survive a power cut: undo it, the row fails.
            ::rename(candidate.c_str(), work.path.c_str());
            return synced;
        }
        chosen = candidate;
        ReleaseWorkFile(work);
        return 0;
    }
    return AVERROR(EEXIST);
}
