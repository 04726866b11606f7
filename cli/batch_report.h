// What veltrano-convert reports once a batch has ended, and its exit code.
#pragma once

#include "engine/av_convert.h"

#include <string>

inline constexpr int kExitAllCompleted = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// One line per row: "Completed <output>", "Failure <input> (nothing
// written): <why it failed>", "Stopped (partial) <output>" for the row a stop
// cut short (its file is valid up to the stop), "Stopped (not converted)
// <input>" for rows never begun.
std::string BatchSummary(const AVConvert& engine);

// The line BatchSummary gives for one row, without its newline.
std::string RowSummaryLine(const AVConvert& engine, int row);

// 130 after an interruption, else 1 when a file was refused or a row did not
// complete, else 0.
int BatchExitCode(const AVConvert& engine, size_t refusedFiles, bool interrupted);
