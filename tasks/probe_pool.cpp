#include "tasks/probe_pool.h"

#include "engine/av_convert.h"
#include "tasks/add_files.h"
#include "tasks/clock_text.h"
#include "tasks/cue_tracks.h"
#include "tasks/job_count.h"

#include <algorithm>
#include <system_error>

namespace {

// A row per track of the sheet's images: the image's path, the track's start
// and end in whole seconds as the list shows times, the image's duration.
ProbedFile ProbeCueSheet(AVConvert& engine, const std::string& path) {
    ProbedFile probed;
    const CueAlbum album = LoadCueAlbum(engine, path);
    if (album.Refused()) {
        probed.refusal = CueRefusalMessage(path, album);
        return probed;
    }
    probed.accepted = true;
    for (const std::string& notice : album.notices) {
        probed.notice += (probed.notice.empty() ? "" : "\n") + CueNoticeMessage(path, notice);
    }
    for (const CueTrack& track : album.tracks) {
        TrackRow trackRow;
        TaskRow& row = trackRow.row;
        row.sourcePath = track.imagePath;
        row.startTime = FormatHms(static_cast<int>(CueTrackStartSeconds(track)));
        row.endTime = FormatHms(static_cast<int>(CueTrackEndSeconds(track)));
        row.statusText = kReadyStatus;
        row.durationText = std::to_string(track.imageDurationMicros / 1000000);
        trackRow.track = std::make_shared<const CueTrack>(track);
        probed.tracks.push_back(std::move(trackRow));
    }
    return probed;
}

} // namespace

ProbedFile ProbeFileForRow(AVConvert& engine, const std::string& path) {
    if (IsCueSheetPath(path)) {
        return ProbeCueSheet(engine, path);
    }
    ProbedFile probed;
    probed.accepted = AcceptsMediaFile(engine, path);
    if (probed.accepted) {
        TaskRow& row = probed.row;
        row.sourcePath = path;
        row.startTime = FormatHms(static_cast<int>(engine.m_startSeconds));
        row.endTime = FormatHms(static_cast<int>(engine.m_durationSeconds));
        row.statusText = kReadyStatus;
        row.durationText = std::to_string(engine.m_durationMicros / 1000000);
    }
    return probed;
}

ProbePool::ProbePool(std::vector<std::string> paths, unsigned threadCount)
    : m_paths(std::move(paths)), m_results(m_paths.size()) {
    const std::size_t count = std::clamp<std::size_t>(threadCount, 1, m_paths.size());
    m_threads.reserve(count);
    for (std::size_t i = 0; i < count && !m_paths.empty(); ++i) {
        // Out of threads: the ones started do the work, or, with none, the
        // caller's own thread (WaitFor).
        try {
            m_threads.emplace_back(&ProbePool::Work, this);
        } catch (const std::system_error&) {
            break;
        }
    }
}

ProbePool::~ProbePool() {
    Stop();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void ProbePool::Stop() {
    m_stop.store(true, std::memory_order_relaxed);
}

unsigned ProbePool::DefaultThreadCount(std::size_t pathCount) {
    const auto cores = static_cast<std::size_t>(DefaultJobCount());
    return static_cast<unsigned>(std::min(cores, std::max<std::size_t>(pathCount, 1)));
}

std::optional<ProbedFile> ProbePool::WaitFor(std::size_t index, std::chrono::milliseconds timeout) {
    if (m_threads.empty()) {
        return ProbeFileForRow(m_ownEngine, m_paths[index]);
    }
    std::unique_lock lock(m_mutex);
    if (!m_resultReady.wait_for(lock, timeout, [&] { return m_results[index].has_value(); })) {
        return std::nullopt;
    }
    // Each result is taken once; moving it out keeps the rows from being
    // held twice over a long list.
    std::optional<ProbedFile> result = std::move(m_results[index]);
    m_results[index].reset();
    return result;
}

void ProbePool::Work() {
    AVConvert engine;
    while (!m_stop.load(std::memory_order_relaxed)) {
        const std::size_t index = m_nextPath.fetch_add(1, std::memory_order_relaxed);
        if (index >= m_paths.size()) {
            return;
        }
        ProbedFile probed = ProbeFileForRow(engine, m_paths[index]);
        {
            const std::lock_guard lock(m_mutex);
            m_results[index] = std::move(probed);
        }
        m_resultReady.notify_all();
    }
}
