// The analysis pass of a normalised batch: before the first byte is encoded,
// each row's clip of its source is decoded once, without encoding, and
// measured, so that its gain is known when its conversion starts. Rows are
// measured m_jobCount at a time, like the conversion.
#pragma once

#include "engine/convert_row.h"
#include "engine/loudness_meter.h"

#include <atomic>

// The true peak a normalised output may reach, in dBTP.
inline constexpr double kNormalizedPeakLimit = -1.0;

// The gain that brings a track to `targetLufs` with its true peak at or below
// the limit.
RowLevel NormalizingGain(const TrackLoudness& track, double targetLufs);

// What decoding a row's clip into a meter came to.
struct ClipMeasure {
    bool stopped = false; // a stop ended it early: the meter holds part of the clip
    uint8_t failure = 0;  // a FailureReason: the source could not be decoded
};

// Decodes the clip a row converts and feeds it to `meter`, which measures
// the true peak.
ClipMeasure MeasureRowClip(const RowJob& job, LoudnessMeter& meter, const std::atomic<bool>& stop);

// Decodes and measures the clip a row converts. A stop ends it early.
RowLevel MeasureRowLevel(const RowJob& job, double targetLufs, const std::atomic<bool>& stop);

// Measures every row with a source into m_rowLevels, publishing each in
// m_taskMeasured; with m_normalizeAlbums an album's rows once its last is
// measured. Returns false when a stop came before every row was
// measured: the batch then converts nothing.
bool MeasureBatchLevels(AVConvert& engine);
