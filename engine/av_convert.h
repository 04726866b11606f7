// The one engine object shared by the window side and the conversion worker.
//
// Plain fields, no accessors. The user-interface thread writes the batch
// parameters only before it starts a worker and, while the worker runs, writes
// nothing but m_stopRequested. The worker alone writes the run state. The
// shared run-state fields are relaxed atomics: readers tolerate a value one
// step old. The one exception is m_currentTask: the worker publishes it with
// release after the finished row's status, and readers load it with acquire,
// so whoever sees a row passed also sees its status (weakly ordered
// processors such as ARM64 would otherwise show the last row unmarked).
#pragma once

#include "engine/row_track.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Result of one row of a batch.
enum TaskStatus : uint8_t {
    TaskCompleted = 1,
    TaskFailed = 2,
    TaskPending = 255,
};

// Probe results (see ProbeMediaFile).
enum ProbeResult : int {
    ProbeOk = 0,
    ProbeCannotOpen = -1,
    ProbeNoStreamInfo = -2,
    ProbeNoVideoDecoder = -4,
    ProbeVideoDecoderFailed = -5,
};

// What the analysis pass of a normalising batch found for one row.
struct RowLevel {
    uint8_t failure = 0;   // a FailureReason: the source could not be decoded
    bool measured = false; // false for silence and clips under 400 ms: no gain
    bool limited = false;  // the true-peak limit held the gain back
    double gain = 1.0;     // linear, applied before encoding
    double gainDb = 0;
    double integrated = 0; // LUFS of the source's clip
    // Normalised with its album: the gain is the album's, which brings the
    // album's integrated loudness (LUFS) to the target.
    bool byAlbum = false;
    double albumIntegrated = 0;
};

class AVConvert {
public:
    AVConvert() = default;
    virtual ~AVConvert() = default;
    AVConvert(const AVConvert&) = delete;
    AVConvert& operator=(const AVConvert&) = delete;

    // Media facts of the last probe; a batch leaves them alone.
    std::string m_probePath;
    int32_t m_streamCount = 0;
    int32_t m_videoStream = -1;
    int32_t m_audioStream = -1;
    int64_t m_startSeconds = 0;
    int64_t m_durationSeconds = 0;
    int64_t m_durationMicros = 0;
    int32_t m_videoCodecId = 0;
    int32_t m_videoBitRate = 0;
    int32_t m_videoWidth = 0;
    int32_t m_videoHeight = 0;
    double m_frameRate = 0;
    int32_t m_frameRateNum = 0;
    int32_t m_frameRateDen = 0;

    // Audio facts of the last probe. Before a batch starts, the Convert command
    // overwrites them with the output parameters, which the worker reads.
    int32_t m_audioCodecId = 0;
    int32_t m_audioBitRate = 0;
    int32_t m_sampleRate = 0;
    int32_t m_channels = 0;
    // Bits per sample of a source that has a depth (PCM and lossless audio);
    // 0 for lossy audio, which has none. A probe fact only.
    int32_t m_bitDepth = 0;

    // Batch parameters, indexed by list row (checked or not). Sized by
    // PrepareBatch.
    int32_t m_taskCount = 0;
    int32_t m_checkedCount = 0;
    std::vector<std::string> m_inputPaths;
    // The worker replaces a row's entry with the name it finally wrote, and
    // clears it when a stop came before the row wrote any sound (no file).
    std::vector<std::string> m_outputPaths;
    std::vector<double> m_clipStart;
    std::vector<double> m_clipEnd;
    std::vector<double> m_clipLength;
    // Per row cut from a longer source (a track of an album image): its exact
    // bounds and its own tags; empty for other rows.
    std::vector<RowTrack> m_rowTracks;
    // How many rows are converted at once; 1 converts them one after another
    // on the batch's own thread.
    int32_t m_jobCount = 1;
    // A long row may be encoded on the cores the batch leaves idle, in
    // chunks joined into its one output (engine/split_encoding.h).
    bool m_splitRows = true;
    // Rows write exactly their output name, replacing an older file there in
    // one step, instead of taking the first free counter name: an
    // incremental run renews its earlier outputs.
    bool m_replaceOutputs = false;
    // Loudness: ReplayGain tags written into every output, its rows grouped
    // into albums by m_albumMode (an AlbumMode, engine/album_gain.h).
    bool m_writeReplayGain = false;
    uint8_t m_albumMode = 0;
    // The integrated loudness (LUFS) every output is brought to; 0 leaves
    // the level alone.
    double m_normalizeLufs = 0;
    // With m_normalizeLufs: one gain for all the rows of an album, grouped
    // by m_albumMode, instead of one for each row.
    bool m_normalizeAlbums = false;

    // Run state shared with the worker.
    std::atomic<int32_t> m_currentTask{-1};
    std::atomic<int32_t> m_progress{-1};
    std::vector<std::atomic<uint8_t>> m_taskStatus;
    // Per row, why it failed (a FailureReason, engine/failure_reason.h); the
    // worker writes it before the row's status.
    std::vector<std::atomic<uint8_t>> m_taskReason;
    // Per row whose reason is a damaged source, the second of the source
    // where the damage starts; written with the reason.
    std::vector<std::atomic<int32_t>> m_taskDamagedAt;
    // Per row, -1 until the worker starts it, then its percentage as last
    // seen. m_progress stays the current row's live percentage.
    std::vector<std::atomic<int8_t>> m_taskProgress;
    // Per row, the milliseconds the worker spent on it; written with the
    // row's status, 0 for a row not started.
    std::vector<std::atomic<int32_t>> m_taskMillis;
    std::atomic<bool> m_stopRequested{false};
    // Per row, what its output's loudness came to when it has something to
    // say (a LoudnessNote); written with the row's status.
    std::vector<std::atomic<uint8_t>> m_taskLoudness;
    // While a normalising batch measures its rows, before converting any.
    std::atomic<bool> m_measuring{false};
    // Per row, 1 once the analysis measured it; its m_rowLevels entry is
    // written before, and read after with acquire.
    std::vector<std::atomic<uint8_t>> m_taskMeasured;
    std::vector<RowLevel> m_rowLevels;
    // The running batch's ReplayGain; null when no tags are written.
    std::shared_ptr<class LoudnessBatch> m_loudness;
};

// The process-wide instance; null until the first file is added.
extern AVConvert* g_engine;

// Sizes the batch arrays for taskCount rows: empty paths, zero clip times,
// every status TaskPending, no row started. Call only while no worker runs.
void PrepareBatch(AVConvert& engine, int32_t taskCount);

// Relaxed load/store helpers for the shared run state.
inline int32_t LoadRelaxed(const std::atomic<int32_t>& v) {
    return v.load(std::memory_order_relaxed);
}
inline void StoreRelaxed(std::atomic<int32_t>& v, int32_t value) {
    v.store(value, std::memory_order_relaxed);
}
// The worker's step to the next row, after the passed row's status.
inline void PublishCurrentTask(AVConvert& engine, int32_t row);
// The lowest row not finished yet; every row below it has its final status.
// Rows above it may have finished too when several run at once.
inline int32_t LoadCurrentTask(const AVConvert& engine);
// A row's status is released after its output path and failure reason, so a
// reader that sees it final also sees what the row wrote.
inline uint8_t TaskStatusOf(const AVConvert& engine, int32_t row) {
    return engine.m_taskStatus[row].load(std::memory_order_acquire);
}
inline void SetTaskStatus(AVConvert& engine, int32_t row, uint8_t status) {
    engine.m_taskStatus[row].store(status, std::memory_order_release);
}
// -1 for a row not started yet.
inline int TaskProgressOf(const AVConvert& engine, int32_t row) {
    return engine.m_taskProgress[row].load(std::memory_order_relaxed);
}
inline void SetTaskProgress(AVConvert& engine, int32_t row, int percent) {
    engine.m_taskProgress[row].store(static_cast<int8_t>(percent), std::memory_order_relaxed);
}
inline bool StopRequested(const AVConvert& engine) {
    return engine.m_stopRequested.load(std::memory_order_relaxed);
}
inline void RequestStop(AVConvert& engine) {
    engine.m_stopRequested.store(true, std::memory_order_relaxed);
}

inline void PublishCurrentTask(AVConvert& engine, int32_t row) {
    engine.m_currentTask.store(row, std::memory_order_release);
}
inline int32_t LoadCurrentTask(const AVConvert& engine) {
    return engine.m_currentTask.load(std::memory_order_acquire);
}

// Probes m_probePath and fills the media facts; returns a ProbeResult.
int ProbeMediaFile(AVConvert& engine);

// Thread entry of a Convert batch: converts every row into its own file,
// m_jobCount rows at once. Rows start in row order; after a stop no row
// starts and the running ones finish their files. Rows that compete for an
// output name take their names in row order, so the names are those of a
// batch converted one row at a time.
void ConvertBatchProc(AVConvert* engine);
