// Output files: unique names (song.mp3, song(0).mp3, song(1).mp3, ...) and a
// finished file appearing under its name in one step. A row is written into a
// hidden work file in the output folder first (engine/work_file.h), flushed to
// the disk and only then renamed, so that a crash or a power cut never leaves
// a cut-short or empty file under a name that looks finished.
#pragma once

#include "engine/work_file.h"

#include <string>

// The candidate for a counter: the base name itself for -1, else the base
// name with "(counter)" before the extension of its file name.
std::string OutputNameCandidate(const std::string& baseName, int counter);

// Where OutputNameCandidate puts the counter: before the extension of the
// file name, or at the end when it has none.
size_t CounterPosition(const std::string& baseName);

// Flushes the finished work file to the disk, moves it to the first candidate
// name of `baseName` that does not exist, never replacing a file, not even
// one that appears meanwhile, and flushes the folder so the name lasts too.
// Returns 0 with `chosen` set and the work file released, or a negative
// AVERROR; the work file then stays where it was.
int PublishOutputFile(WorkFile& work, const std::string& baseName, std::string& chosen);

// Flushes the finished work file to the disk and renames it to exactly
// `outputPath`, replacing a file of that name in one step: a crash leaves
// either the old file or the new one whole, never a mix. Flushes the folder
// so the name lasts. Returns 0 with `chosen` set and the work file released,
// or a negative AVERROR; the work file then stays where it was.
int ReplaceOutputFile(WorkFile& work, const std::string& outputPath, std::string& chosen);
