// What became of each source of a command line, in the order of the sources:
// a row of the engine's batch, or an outcome settled before the batch ran.
#pragma once

#include "engine/av_convert.h"

#include <string>
#include <vector>

enum class SourceOutcome {
    Row,      // converted (or not) by the batch: see its row
    Refused,  // not a media file the converter can read
    Skipped,  // --update: its output is newer than it
    Collided, // --update: an earlier source of the run has its output name
};

struct SourceRecord {
    std::string input;
    std::string output; // the output name planned, or written by the row
    SourceOutcome outcome = SourceOutcome::Row;
    int row = -1;              // for SourceOutcome::Row
    std::string reason;        // for Refused and Collided
    double sourceSeconds = -1; // the source's duration; negative when unknown
};

// The stdout line of a source settled before the batch ran; "" for a
// refusal (reported on standard error as it is met) and for rows.
std::string SettledSummary(const SourceRecord& record);

// The summary lines of every source in order: the batch's rows as
// BatchSummary words them, skipped and collided sources in their place.
std::string SourcesSummary(const AVConvert& engine, const std::vector<SourceRecord>& records);

// A row a stop cut short after it wrote sound: its file is valid but shorter.
bool IsPartialRow(const AVConvert& engine, int row);

// Under --update, a file a stop cut short must not pass for up to date on
// the next run: its time is set back to the epoch, before any source's.
void MarkPartialOutputsOutOfDate(const AVConvert& engine, const std::vector<SourceRecord>& records);

// How many sources failed before the batch ran (refused or collided).
size_t SettledFailures(const std::vector<SourceRecord>& records);
