#include "engine/work_file.h"

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
}

namespace {

// Gives up after this many taken names rather than loop without end.
constexpr int kMaxAttempts = 100000;

constexpr std::string_view kWorkPrefix = ".veltrano-";
constexpr std::string_view kWorkSuffix = ".part";
constexpr size_t kWorkTagDigits = 12;
// A work file is created empty and locked a moment later; an empty one this
// young may still be on its way to being locked by its converter.
constexpr auto kUnlockedGrace = std::chrono::seconds(60);
// Large enough that the system call is rare, small enough that the disk is
// kept busy while the encoder works.
constexpr int64_t kWriteBackStep = int64_t{4} << 20;

std::string RandomTag() {
    unsigned char bytes[kWorkTagDigits / 2] = {};
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Uniqueness comes from O_EXCL; the tag only makes collisions rare.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        for (size_t i = 0; i < sizeof bytes; ++i) {
            bytes[i] = static_cast<unsigned char>((now >> (8 * i)) ^ (::getpid() >> i));
        }
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string tag;
    for (unsigned char byte : bytes) {
        tag += kHex[byte >> 4];
        tag += kHex[byte & 15];
    }
    return tag;
}

// A work file nobody holds locked, checked on an open descriptor so the file
// removed is the one found unlocked.
bool IsAbandoned(const std::string& path, int fd) {
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        ::lstat(path.c_str(), &named) != 0 || named.st_ino != opened.st_ino ||
        named.st_dev != opened.st_dev) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return false; // its converter still runs
    }
    const auto age =
        std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(opened.st_mtime);
    return opened.st_size > 0 || age > kUnlockedGrace;
}

} // namespace

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

WorkFile::~WorkFile() {
    ReleaseWorkFile(*this);
}

bool IsWorkFileName(std::string_view fileName) {
    if (fileName.size() != kWorkPrefix.size() + kWorkTagDigits + kWorkSuffix.size() ||
        !fileName.starts_with(kWorkPrefix) || !fileName.ends_with(kWorkSuffix)) {
        return false;
    }
    const std::string_view tag = fileName.substr(kWorkPrefix.size(), kWorkTagDigits);
    return tag.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

int CreateWorkFile(const std::string& outputPath, WorkFile& work) {
    const std::string folder = FolderOf(outputPath);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string candidate =
            folder + "/" + std::string(kWorkPrefix) + RandomTag() + std::string(kWorkSuffix);
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            return AVERROR(errno);
        }
        // Without a lock another converter would take the file for a crash's
        // leftover; flock is what every local file system here offers.
        if (::flock(fd, LOCK_EX) != 0 && errno != ENOLCK && errno != EINVAL) {
            const int error = errno;
            ::close(fd);
            ::unlink(candidate.c_str());
            return AVERROR(error);
        }
        ReleaseWorkFile(work);
        work.path = candidate;
        work.fd = fd;
        return 0;
    }
    return AVERROR(EEXIST);
}

void ReleaseWorkFile(WorkFile& work) {
    if (work.fd >= 0) {
        ::close(work.fd); // drops the lock
    }
    work.fd = -1;
    work.path.clear();
}

int StartWriteBack(WriteBack& writeBack, int64_t written) {
    if (writeBack.fd < 0 || written - writeBack.started < kWriteBackStep) {
        return 0;
    }
    // Asynchronous: only queues the dirty pages for writing.
    const int result = ::sync_file_range(writeBack.fd, writeBack.started,
                                         written - writeBack.started, SYNC_FILE_RANGE_WRITE);
    writeBack.started = written;
    return result == 0 ? 0 : AVERROR(errno);
}

void DiscardWorkFile(WorkFile& work) {
    if (!work.path.empty()) {
        ::unlink(work.path.c_str());
    }
    ReleaseWorkFile(work);
}

int RemoveStaleWorkFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsWorkFileName(entry->d_name)) {
            continue;
        }
        const std::string path = folder + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        if (IsAbandoned(path, fd) && ::unlink(path.c_str()) == 0) {
            ++removed;
        }
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}
