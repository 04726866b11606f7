#include "cli/converter_app.h"

#include "cli/batch_report.h"
#include "cli/batch_setup.h"
#include "cli/cli_options.h"
#include "cli/file_list.h"
#include "cli/help_text.h"
#include "cli/json_log.h"
#include "cli/probe_report.h"
#include "cli/progress_display.h"
#include "cli/source_record.h"
#include "engine/av_convert.h"
#include "resources/version.h"
#include "tasks/output_folder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
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

// Routes Ctrl-C, SIGTERM and SIGHUP (a dropped ssh session or closed
// terminal) to the engine's stop request while it lives. The handler is
// one-shot, so a second Ctrl-C ends the program at once. A write to the
// standard streams of a session that is gone fails instead of killing the
// program with SIGPIPE, so the started files still finish.
class StopSignalRoute {
public:
    explicit StopSignalRoute(AVConvert& engine) {
        g_stopTarget.store(&engine.m_stopRequested);
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previousInt);
        sigaction(SIGTERM, &action, &m_previousTerm);
        sigaction(SIGHUP, &action, &m_previousHup);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &m_previousPipe);
    }
    ~StopSignalRoute() {
        sigaction(SIGINT, &m_previousInt, nullptr);
        sigaction(SIGTERM, &m_previousTerm, nullptr);
        sigaction(SIGHUP, &m_previousHup, nullptr);
        sigaction(SIGPIPE, &m_previousPipe, nullptr);
        g_stopTarget.store(nullptr);
    }
    StopSignalRoute(const StopSignalRoute&) = delete;
    StopSignalRoute& operator=(const StopSignalRoute&) = delete;

private:
    struct sigaction m_previousInt {};
    struct sigaction m_previousTerm {};
    struct sigaction m_previousHup {};
    struct sigaction m_previousPipe {};
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

// Where --log-json writes: nothing, standard output, or a file of its own.
class JsonLogFile {
public:
    explicit JsonLogFile(const std::optional<std::string>& path) {
        if (path && *path == "-") {
            m_file = stdout;
        } else if (path) {
            m_file = std::fopen(path->c_str(), "w");
            m_owned = true;
            m_error =
                m_file ? "" : "cannot write the JSON log '" + *path + "': " + std::strerror(errno);
        }
    }
    ~JsonLogFile() {
        if (m_owned && m_file) {
            std::fclose(m_file);
        }
    }
    JsonLogFile(const JsonLogFile&) = delete;
    JsonLogFile& operator=(const JsonLogFile&) = delete;

    const std::string& Error() const { return m_error; }
    // The summary lines go to standard error while the log has standard output.
    std::FILE* SummaryStream() const { return m_file == stdout ? stderr : stdout; }
    void Write(const AVConvert& engine, const std::vector<SourceRecord>& records, int exitCode,
               double seconds) {
        if (!m_file) {
            return;
        }
        for (const SourceRecord& record : records) {
            std::fputs(SourceLogLine(engine, record).c_str(), m_file);
        }
        std::fputs(SummaryLogLine(engine, records, exitCode, seconds).c_str(), m_file);
        std::fflush(m_file);
    }

private:
    std::FILE* m_file = nullptr;
    bool m_owned = false;
    std::string m_error;
};

int RunConversion(const CliOptions& options) {
    const auto began = std::chrono::steady_clock::now();
    JsonLogFile log(options.logJson);
    if (!log.Error().empty()) {
        return UsageError(log.Error());
    }
    if (!MakeFolder(NormalizeFolder(options.outputFolder))) {
        std::fprintf(stderr, "%s\n", kMissingFolderMessage);
        return kExitUsage;
    }
    AVConvert engine;
    StopSignalRoute route(engine);
    std::vector<SourceRecord> records;
    std::vector<std::string> notices;
    const std::vector<std::string> refusals = SetUpBatch(engine, options, &records, &notices);
    for (const std::string& refusal : refusals) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
    }
    for (const std::string& notice : notices) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    engine.m_jobCount = options.jobs;
    engine.m_splitRows = options.split;
    if (engine.m_taskCount > 0) {
        RunWorker(engine);
    }
    if (options.update) {
        MarkPartialOutputsOutOfDate(engine, records);
    }
    std::fputs(SourcesSummary(engine, records).c_str(), log.SummaryStream());
    std::fflush(log.SummaryStream());
    const int exitCode = BatchExitCode(engine, SettledFailures(records), g_interrupted.load());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    log.Write(engine, records, exitCode, took.count());
    return exitCode;
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
    CliOptions options = *parsed.options;
    if (options.filesFrom) {
        if (std::string error =
                ReadFileList(*options.filesFrom, options.nullSeparated, options.files);
            !error.empty()) {
            return UsageError(error);
        }
    }
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
