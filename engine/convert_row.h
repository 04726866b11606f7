// One row of a batch converted into its own output file: the step that both
// batch loops, one row at a time and several rows at once, are made of. The
// step takes its row and the output parameters as values and gives back what
// happened; only the batch loops read and write the shared engine.
#pragma once

#include "engine/audio_transcoder.h"
#include "engine/av_convert.h"
#include "engine/failure_reason.h"

#include <atomic>
#include <functional>
#include <string>

class LoudnessBatch;

// Called when the row's file is written and flushed, just before it takes
// its name; rows converted side by side wait there for their turn.
using BeforePublish = std::function<void()>;

// What one row converts, in seconds from the source's start.
struct RowJob {
    std::string inputPath;
    std::string outputPath; // the first name the output may take
    double clipStart = 0;
    double clipEnd = 0;
    double clipLength = 0;
    bool replaceExisting = false; // see AVConvert::m_replaceOutputs
    RowTrack track;               // exact bounds and tags of a track cut from an image
    int row = -1;                 // the row's index in its batch
    // The batch's ReplayGain, null without: the row is measured and its
    // file handed to it rather than published (engine/album_gain.h).
    LoudnessBatch* loudness = nullptr;
    double gain = 1.0;         // applied before encoding, to normalise the row
    uint8_t loudnessNote = 0;  // what normalising found (a LoudnessNote)
    RowFailure measureFailure; // the analysis could not decode the source
    // Encoders the row may run at once when it is long; 1 keeps it on one.
    int splitWays = 1;
};

// What one row did.
struct RowResult {
    uint8_t status = TaskPending;
    RowFailure failure;       // why, when status is TaskFailed
    std::string outputPath;   // the name written; empty when a stop came before any sound
    int32_t millis = 0;       // how long the row took
    uint8_t loudnessNote = 0; // a LoudnessNote (engine/album_gain.h)
    // Handed to the batch's ReplayGain, which records it once its album is
    // measured: the batch loop leaves it alone.
    bool handedOn = false;
};

// The part of the opened source a row converts. A clip that ends at the
// source's whole second duration means "to the end": the seconds are
// truncated, the sound is not.
ClipWindow RowClipWindow(const RowJob& job, const AVFormatContext* input, int audioStream);

// The encoders a long row may run at once: the cores the batch leaves idle
// while it runs, `jobs` rows at a time with `rowsLeft` rows (this one among
// them) still to start and `othersRunning` running.
int RowSplitWays(const AVConvert& engine, int rowsLeft, int othersRunning);

// Row `row` of a batch, and the batch's output parameters.
RowJob BatchRowJob(const AVConvert& engine, int row);
OutputAudioParams BatchOutputParams(const AVConvert& engine);

// Converts one row. `percent` follows the row's progress from -1 (not begun)
// to 100; `stop` cuts the row short, keeping what was written. No work file
// stays behind.
RowResult ConvertBatchRow(const RowJob& job, const OutputAudioParams& params,
                          std::atomic<int>& percent, const std::atomic<bool>& stop,
                          const BeforePublish& beforePublish = nullptr);

// Stores a finished row's output name, percentage and status in the batch;
// the status goes last, so whoever sees it also sees the rest.
void RecordRowResult(AVConvert& engine, int row, const RowResult& result, int percent);

// Converts the batch's rows m_jobCount at a time (see ConvertBatchProc), or
// as many at a time as threads could be started. Returns false, having
// converted nothing, when not even one thread could be started.
bool ConvertRowsSideBySide(AVConvert& engine);
