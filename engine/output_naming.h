// Output files: unique names (song.mp3, song(0).mp3, song(1).mp3, ...) and a
// finished file appearing under its name in one step. A row is written into a
// hidden work file beside its output first, so that a crash or a power cut
// never leaves a cut-short file under a name that looks finished.
#pragma once

#include <string>

// The candidate for a counter: the base name itself for -1, else the base
// name with "(counter)" before the extension of its file name.
std::string OutputNameCandidate(const std::string& baseName, int counter);

// Creates, exclusively, the hidden work file for an output named `baseName`:
// "dir/.song.mp3.part", or "dir/.song(0).mp3.part", ... when that one exists.
// Returns 0 with `workPath` set, or a negative AVERROR.
int CreateWorkFile(const std::string& baseName, std::string& workPath);

// Moves the finished work file to the first candidate name of `baseName` that
// does not exist, never replacing a file, not even one that appears
// meanwhile. Returns 0 with `chosen` set, or a negative AVERROR; the work
// file then stays where it was.
int PublishOutputFile(const std::string& workPath, const std::string& baseName,
                      std::string& chosen);
