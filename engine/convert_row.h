// One row of a batch converted into its own output file: the step that both
// batch loops, one row at a time and several rows at once, are made of.
#pragma once

#include "engine/av_convert.h"
#include "engine/failure_reason.h"

#include <functional>

// Called when the row's file is written and flushed, just before it takes
// its name; rows converted side by side wait there for their turn.
using BeforePublish = std::function<void()>;

// Converts row `row` of `engine`, overwriting its media facts and its
// m_progress; the row's output path becomes the name written (empty when a
// stop came before any sound). No work file stays behind. Returns the row's
// status; `failure` tells why when it is TaskFailed. Leaves the batch's
// status arrays alone.
uint8_t ConvertBatchRow(AVConvert& engine, int row, const BeforePublish& beforePublish,
                        RowFailure& failure);

// Converts the batch's rows m_jobCount at a time (see ConvertBatchProc), or
// as many at a time as threads could be started. Returns false, having
// converted nothing, when not even one thread could be started.
bool ConvertRowsSideBySide(AVConvert& engine);
