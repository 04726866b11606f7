// How much sound a written file holds, read from the file itself: what a row
// stopped half-way left behind.
#pragma once

#include <string>

// Seconds of sound in the file's audio stream, from its first packet to the
// end of its last; negative when the file cannot be read as audio.
double WrittenSeconds(const std::string& path);
