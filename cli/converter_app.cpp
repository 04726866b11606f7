#include "cli/converter_app.h"

#include "cli/batch_report.h"
#include "cli/batch_setup.h"
#include "cli/cli_options.h"
#include "cli/help_text.h"
#include "cli/probe_report.h"
#include "cli/progress_display.h"
#include "engine/av_convert.h"
#include "resources/version.h"
#include "tasks/output_folder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

// Read by the signal handler: plain lock-free atomics only, so storing to
// them from a handler is async-signal-safe.
std::atomic<std::atomic<bool>*> g_stopTarget{nullptr};
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) {
    g_interrupted.store(true, std::memory_order_relaxed);
    if (std::atomic<bool>* target = g_stopTarget.load(std::memory_order_relaxed)) {
        target->store(true, std::memory_order_relaxed);
    }
}

// Routes Ctrl-C and SIGTERM to the engine's stop request while it lives. The
// handler is one-shot, so a second Ctrl-C ends the program at once.
class StopSignalRoute {
public:
    explicit StopSignalRoute(AVConvert& engine) {
        g_stopTarget.store(&engine.m_stopRequested);
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInt_);
        sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~StopSignalRoute() {
        sigaction(SIGINT, &previousInt_, nullptr);
        sigaction(SIGTERM, &previousTerm_, nullptr);
        g_stopTarget.store(nullptr);
    }
    StopSignalRoute(const StopSignalRoute&) = delete;
    StopSignalRoute& operator=(const StopSignalRoute&) = delete;

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "veltrano-convert: %s\nTry 'veltrano-convert --help'.\n", message.c_str());
    return kExitUsage;
}

// A folder lists the files a conversion of it would take, in the same order.
int RunProbe(const CliOptions& options) {
    std::vector<std::string> files;
    for (const SourceFile& source :
         SourceFiles(options.files, NormalizeFolder(options.outputFolder))) {
        files.push_back(source.path);
    }
    std::string report;
    const bool allOk = ProbeFiles(files, report);
    std::fputs(report.c_str(), stdout);
    return allOk ? kExitAllCompleted : kExitSomeFailed;
}

void RunWorker(AVConvert& engine) {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread worker([&] {
        ConvertBatchProc(&engine);
        const std::lock_guard lock(mutex);
        finished = true;
        done.notify_one();
    });
    ProgressDisplay display(engine, stderr, isatty(STDERR_FILENO) != 0);
    // Woken at once when the batch ends: a short batch does not wait out a
    // whole progress interval.
    for (std::unique_lock lock(mutex); !finished;) {
        lock.unlock();
        display.Poll();
        lock.lock();
        done.wait_for(lock, kPollInterval, [&] { return finished; });
    }
    worker.join();
    display.Finish();
}

int RunConversion(const CliOptions& options) {
    if (!MakeFolder(NormalizeFolder(options.outputFolder))) {
        std::fprintf(stderr, "%s\n", kMissingFolderMessage);
        return kExitUsage;
    }
    AVConvert engine;
    StopSignalRoute route(engine);
    std::vector<std::string> notices;
    const std::vector<std::string> refusals = SetUpBatch(engine, options, &notices);
    for (const std::string& refusal : refusals) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
    }
    for (const std::string& notice : notices) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    engine.m_jobCount = options.jobs;
    if (engine.m_taskCount > 0) {
        RunWorker(engine);
    }
    std::fputs(BatchSummary(engine).c_str(), stdout);
    std::fflush(stdout);
    return BatchExitCode(engine, refusals.size(), g_interrupted.load());
}

} // namespace

int RunConverter(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // Reading the options opens the chosen encoder once to check it; its notes
    // would only blur the one-line usage error.
    av_log_set_level(AV_LOG_QUIET);
    const CliParseResult parsed = ParseCommandLine(args);
    if (!parsed.options) {
        return UsageError(parsed.error);
    }
    const CliOptions& options = *parsed.options;
    av_log_set_level(options.verbose ? AV_LOG_WARNING : AV_LOG_QUIET);
    switch (options.mode) {
    case CliMode::Help:
        std::fputs(HelpText().c_str(), stdout);
        return kExitAllCompleted;
    case CliMode::Version:
        std::printf("veltrano-convert %s\n", kVeltranoVersion);
        return kExitAllCompleted;
    case CliMode::Probe:
        return RunProbe(options);
    case CliMode::Convert:
        break;
    }
    return RunConversion(options);
}
