// How many files a batch converts at once: the machine's cores unless the
// user says otherwise (the command line's -j, the settings file's "Jobs").
#pragma once

#include <optional>
#include <string>

#include "tasks/main_state.h"

// More files at once than this only adds memory: no machine this runs on has
// that many cores to give each its own.
inline constexpr int kMaxJobCount = 256;

// The number of cores, at least 1 and at most kMaxJobCount.
int DefaultJobCount();

// "4" -> 4; nullopt for anything but a whole number from 1 to kMaxJobCount.
std::optional<int> ParseJobCount(const std::string& text);

// The window's count: the [Info] section's "Jobs" key of the settings file
// when it holds a valid count, else DefaultJobCount(). 1 converts the rows
// one after another.
int WindowJobCount(const MainWindowState& state);

// Whether a long row may be encoded on the cores the batch leaves idle: the
// [Info] section's "Split" key; only "0" keeps every row on one core.
bool WindowSplitsRows(const MainWindowState& state);
