// The body of the playback library's fuzz target, shared by the libFuzzer
// program and by the regression test that replays its stored cases.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltrano::fuzz {

// Writes `data` to a file and drives the playback library on it through its
// C interface as the clip dialog does: open, start, polls and pictures, seeks,
// stop, start again, close; with SDL's dummy sound driver. Aborts when a poll
// answers outside its documented range.
void PlayInput(const uint8_t* data, size_t size);

} // namespace veltrano::fuzz
