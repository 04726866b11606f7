#include "tests/fuzz/targets/fuzz_inputs.h"

#include "engine/av_convert.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace veltrano::fuzz {

namespace {

namespace fs = std::filesystem;

// A hostile file may decode to far more sound than it holds bytes: the worker
// is stopped after this long, and no file grows past the size limit.
constexpr auto kConvertTimeBudget = std::chrono::seconds(3);
constexpr rlim_t kMaxFileBytes = 32 * 1024 * 1024;

void PrepareProcess() {
    av_log_set_level(AV_LOG_QUIET);
    // Past the size limit a write fails with EFBIG instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur > kMaxFileBytes) {
        limit.rlim_cur = kMaxFileBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
}

// Runs the worker on its own thread, as the window does, and stops it like
// the Stop button when it takes longer than the budget.
void RunBoundedBatch(AVConvert& engine) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
        ConvertBatchProc(&engine);
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_one();
    });
    {
        std::unique_lock lock(mutex);
        if (!finished.wait_for(lock, kConvertTimeBudget, [&] { return done; })) {
            RequestStop(engine);
        }
    }
    worker.join();
}

// Whatever a batch leaves must be the output of a completed row, or the
// shorter file of the row a stop cut short.
void CheckLeftovers(const AVConvert& engine, const std::string& folder) {
    std::set<std::string> expected;
    std::set<std::string> allowed;
    for (int row = 0; row < engine.m_taskCount; ++row) {
        const uint8_t status = TaskStatusOf(engine, row);
        if (status == TaskCompleted) {
            expected.insert(engine.m_outputPaths[row]);
        } else if (status == TaskPending && StopRequested(engine)) {
            allowed.insert(engine.m_outputPaths[row]);
        }
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        if (!expected.count(path) && !allowed.count(path)) {
            std::fprintf(stderr, "batch left %s behind\n", path.c_str());
            std::abort();
        }
    }
    for (const std::string& path : expected) {
        if (!fs::exists(path)) {
            std::fprintf(stderr, "completed row has no file %s\n", path.c_str());
            std::abort();
        }
    }
}

// Probes `input` as Add does and converts it in a batch of one row.
void ConvertOnce(const std::string& input, int codecId, const char* outputName) {
    AVConvert engine;
    engine.m_probePath = input;
    if (ProbeMediaFile(engine) != ProbeOk || engine.m_durationSeconds < 0) {
        return; // Add refuses it; the worker never sees it
    }
    const std::string folder = FuzzScratchDir() + "/out";
    fs::remove_all(folder);
    fs::create_directory(folder);

    PrepareBatch(engine, 1);
    engine.m_checkedCount = 1;
    engine.m_inputPaths[0] = input;
    engine.m_outputPaths[0] = folder + "/" + outputName;
    engine.m_clipStart[0] = 0;
    engine.m_clipEnd[0] = static_cast<double>(engine.m_durationSeconds);
    engine.m_clipLength[0] = engine.m_clipEnd[0];
    engine.m_audioCodecId = codecId;
    engine.m_audioBitRate = 128000;
    engine.m_sampleRate = 44100;
    engine.m_channels = 2;
    RunBoundedBatch(engine);
    CheckLeftovers(engine, folder);
    fs::remove_all(folder);
}

} // namespace

std::string WriteInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzScratchDir() + "/input";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

const std::string& FuzzScratchDir() {
    // Never destroyed, so the exit handler below can still read it.
    static const std::string* const dir = [] {
        PrepareProcess();
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/veltrano-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        return new std::string(pattern);
    }();
    static const bool cleanedAtExit = [] {
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(*dir, ignored);
        });
        return true;
    }();
    (void)cleanedAtExit;
    return *dir;
}

void ProbeInput(const uint8_t* data, size_t size) {
    AVConvert engine;
    engine.m_probePath = WriteInput(data, size);
    ProbeMediaFile(engine);
}

void ConvertInput(const uint8_t* data, size_t size) {
    const std::string input = WriteInput(data, size);
    ConvertOnce(input, AV_CODEC_ID_PCM_S16LE, "out.wav");
    ConvertOnce(input, AV_CODEC_ID_MP3, "out.mp3");
}

} // namespace veltrano::fuzz
