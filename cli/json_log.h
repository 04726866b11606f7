// --log-json: one JSON object per line for each source (what became of it,
// how long it and its output play, how long it took), then a summary, for
// scripts that gather the logs of many machines.
#pragma once

#include "cli/source_record.h"
#include "engine/av_convert.h"

#include <string>
#include <string_view>
#include <vector>

// `text` as a quoted JSON string. Control characters are escaped; a byte that
// is no UTF-8 (file names can hold any) becomes "\udcXX", the lone surrogate
// that Python's "surrogateescape" turns back into that byte, so the line
// stays valid JSON and the name can still be recovered.
std::string JsonString(std::string_view text);

// The status word of a source: "completed", "failed", "skipped" or "stopped".
std::string_view SourceStatus(const AVConvert& engine, const SourceRecord& record);

// The object line of one source, with its newline. Written outputs are
// opened to read their duration.
std::string SourceLogLine(const AVConvert& engine, const SourceRecord& record);

// The closing line: counts per status, the run's exit code and seconds.
std::string SummaryLogLine(const AVConvert& engine, const std::vector<SourceRecord>& records,
                           int exitCode, double seconds);
