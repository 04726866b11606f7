// Filling the engine for a batch, as the Convert command does.
#pragma once

#include "engine/av_convert.h"

#include <cstdint>

// The part of a row to convert, in seconds; the worker converts end - start.
void SetRowClip(AVConvert& engine, int row, double start, double end);

// The output audio parameters share storage with the probe's facts, so they
// go in after every probe, just before the worker starts; the run state is
// set to "not begun".
void SetOutputParameters(AVConvert& engine, int32_t codecId, int32_t bitRate, int32_t sampleRate,
                         int32_t channels);

// A row that is one track of an album image: its clip in seconds (to seek and
// to show progress) and its exact bounds and tags.
void SetRowTrack(AVConvert& engine, int row, double start, double end, const RowTrack& track);
