// Unique output names: song.mp3, song(0).mp3, song(1).mp3, ...
#pragma once

#include <string>

// The candidate for a counter: the base name itself for -1, else the base
// name with "(counter)" before the extension of its file name.
std::string OutputNameCandidate(const std::string& baseName, int counter);

// Creates the first candidate that does not exist yet, atomically, so that
// neither an existing file nor one appearing meanwhile is ever overwritten.
// On success `chosen` holds the created (empty) file's path and 0 is
// returned; otherwise a negative AVERROR.
int CreateUniqueOutputFile(const std::string& baseName, std::string& chosen);
