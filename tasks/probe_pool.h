// Probing many files at once for adding them to the task list. The probes run
// on worker threads, each with an engine object of its own (one engine object
// is not safe to share between threads); the caller takes the results in the
// order of the paths, so rows and messages come out as one probe at a time
// would give them.
#pragma once

#include "engine/av_convert.h"
#include "tasks/main_view.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What the probe of one file found. An accepted file's row carries its path,
// times, duration and status; the caller adds the rest. An accepted cue sheet
// gives a row per track instead, and a refused one says why.
struct TrackRow {
    TaskRow row;
    std::shared_ptr<const CueTrack> track;
};

struct ProbedFile {
    bool accepted = false;
    TaskRow row;
    std::vector<TrackRow> tracks; // of a cue sheet, in the sheet's order
    std::string refusal;          // the message for a refused cue sheet
    std::string notice;           // about a cue sheet's skipped tracks
};

// Probes one file with `engine`: what adding it one at a time would show.
ProbedFile ProbeFileForRow(AVConvert& engine, const std::string& path);

class ProbePool {
public:
    // Starts probing at once on up to `threadCount` threads (at least one,
    // never more than there are paths).
    ProbePool(std::vector<std::string> paths, unsigned threadCount);
    // Stops and joins every worker: no thread outlives the pool.
    ~ProbePool();
    ProbePool(const ProbePool&) = delete;
    ProbePool& operator=(const ProbePool&) = delete;

    // The result for paths[index], once its probe has finished; nothing when
    // it has not finished within `timeout`. Each result is taken once.
    std::optional<ProbedFile> WaitFor(std::size_t index, std::chrono::milliseconds timeout);

    // No new probe starts; probes under way finish and are dropped.
    void Stop();

    // The worker count for a list of `pathCount` files on this machine.
    static unsigned DefaultThreadCount(std::size_t pathCount);

private:
    void Work();

    const std::vector<std::string> m_paths;
    std::vector<std::optional<ProbedFile>> m_results;
    std::mutex m_mutex;
    std::condition_variable m_resultReady;
    std::atomic<std::size_t> m_nextPath{0};
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
    // Probes on the caller's thread when no worker could be started.
    AVConvert m_ownEngine;
};
