#include "tests/faults/fault_shim.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace veltrano::test::shim {
namespace {

struct ShimState {
    std::mutex mutex;
    std::string readPath;
    int64_t readOffset = 0;
    int readError = 0;
    int closeError = 0;
    std::vector<std::string> events;
    std::string pausePath;
    int64_t pauseOffset = 0;
    std::condition_variable resumed;
};

std::atomic<bool> g_readArmed{false};
std::atomic<bool> g_closeArmed{false};
std::atomic<bool> g_renameRefused{false};
std::atomic<bool> g_recording{false};
std::atomic<int> g_injected{0};
std::atomic<int> g_threadStartsLeft{-1}; // -1: unarmed
std::atomic<bool> g_pauseArmed{false};
std::atomic<int> g_pausedReads{0};
std::atomic<bool> g_countingCloses{false};
std::atomic<int> g_workFileCloses{0};

ShimState& State() {
    static ShimState state;
    return state;
}

template <class Function> Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

std::string PathOfFd(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link, target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

bool IsWorkFilePath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.rfind(".veltrano-", 0) == 0 && name.size() > 5 &&
           name.compare(name.size() - 5, 5, ".part") == 0;
}

void Record(const std::string& event) {
    if (g_recording.load()) {
        std::lock_guard lock(State().mutex);
        State().events.push_back(event);
    }
}

// How many of `wanted` bytes at the descriptor's position may be read; -1
// with errno set when the read fails outright.
ssize_t AllowedRead(int fd, size_t wanted) {
    ShimState& state = State();
    std::lock_guard lock(state.mutex);
    if (PathOfFd(fd) != state.readPath) {
        return static_cast<ssize_t>(wanted);
    }
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (position >= state.readOffset) {
        g_injected.fetch_add(1);
        errno = state.readError;
        return -1;
    }
    return static_cast<ssize_t>(
        std::min<int64_t>(static_cast<int64_t>(wanted), state.readOffset - position));
}

// Holds a read of the paused file at or past the pause offset until resumed.
void WaitIfPaused(int fd) {
    ShimState& state = State();
    std::unique_lock lock(state.mutex);
    if (!g_pauseArmed.load() || PathOfFd(fd) != state.pausePath ||
        ::lseek(fd, 0, SEEK_CUR) < state.pauseOffset) {
        return;
    }
    g_pausedReads.fetch_add(1);
    state.resumed.wait(lock, [] { return !g_pauseArmed.load(); });
}

} // namespace

void PauseReadsOf(const std::string& path, int64_t offset) {
    std::lock_guard lock(State().mutex);
    State().pausePath = path;
    State().pauseOffset = offset;
    g_pauseArmed = true;
}

void ResumeReads() {
    {
        std::lock_guard lock(State().mutex);
        g_pauseArmed = false;
    }
    State().resumed.notify_all();
}

int PausedReads() {
    return g_pausedReads.load();
}

void CountWorkFileCloses() {
    g_workFileCloses = 0;
    g_countingCloses = true;
}

int WorkFileCloses() {
    return g_workFileCloses.load();
}

void FailReadsOf(const std::string& path, int64_t offset, int error) {
    std::lock_guard lock(State().mutex);
    State().readPath = path;
    State().readOffset = offset;
    State().readError = error;
    g_readArmed = true;
}

void FailNextWorkFileClose(int error) {
    std::lock_guard lock(State().mutex);
    State().closeError = error;
    g_closeArmed = true;
}

void RefuseRenameat2AndLink() {
    g_renameRefused = true;
}

void RecordSyncsAndRenames() {
    g_recording = true;
}

std::vector<std::string> RecordedEvents() {
    std::lock_guard lock(State().mutex);
    return State().events;
}

void FailThreadStartsAfter(int successes) {
    g_threadStartsLeft = successes;
}

void Reset() {
    ResumeReads();
    g_countingCloses = false;
    g_threadStartsLeft = -1;
    g_readArmed = false;
    g_closeArmed = false;
    g_renameRefused = false;
    g_recording = false;
    std::lock_guard lock(State().mutex);
    State().events.clear();
}

int InjectedFaults() {
    return g_injected.load();
}

} // namespace veltrano::test::shim

using namespace veltrano::test::shim;

extern "C" {

ssize_t read(int fd, void* buffer, size_t count) {
    static const auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
    if (g_pauseArmed.load()) {
        WaitIfPaused(fd);
    }
    if (g_readArmed.load()) {
        const ssize_t allowed = AllowedRead(fd, count);
        if (allowed < 0) {
            return -1;
        }
        count = static_cast<size_t>(allowed);
    }
    return real(fd, buffer, count);
}

int close(int fd) {
    static const auto real = Next<int (*)(int)>("close");
    if (g_countingCloses.load() && IsWorkFilePath(PathOfFd(fd))) {
        g_workFileCloses.fetch_add(1);
    }
    if (g_closeArmed.load() && IsWorkFilePath(PathOfFd(fd))) {
        int error = 0;
        {
            std::lock_guard lock(State().mutex);
            error = State().closeError;
        }
        g_closeArmed = false;
        g_injected.fetch_add(1);
        real(fd);
        errno = error;
        return -1;
    }
    return real(fd);
}

int fsync(int fd) {
    static const auto real = Next<int (*)(int)>("fsync");
    if (g_recording.load()) {
        Record("fsync " + PathOfFd(fd));
    }
    return real(fd);
}

int rename(const char* from, const char* to) {
    static const auto real = Next<int (*)(const char*, const char*)>("rename");
    Record(std::string("rename ") + from + " " + to);
    return real(from, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    static const auto real =
        Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    if (g_renameRefused.load()) {
        g_injected.fetch_add(1);
        errno = EINVAL;
        return -1;
    }
    Record(std::string("rename ") + from + " " + to);
    return real(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
    static const auto real = Next<int (*)(const char*, const char*)>("link");
    if (g_renameRefused.load()) {
        g_injected.fetch_add(1);
        errno = EPERM;
        return -1;
    }
    Record(std::string("rename ") + from + " " + to);
    return real(from, to);
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                   void* argument) {
    static const auto real =
        Next<int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*)>("pthread_create");
    for (int left = g_threadStartsLeft.load(); left >= 0;) {
        if (left == 0) {
            g_injected.fetch_add(1);
            return EAGAIN;
        }
        if (g_threadStartsLeft.compare_exchange_weak(left, left - 1)) {
            break;
        }
    }
    return real(thread, attributes, start, argument);
}

} // extern "C"
