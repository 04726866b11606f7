// The bodies of the fuzz targets, shared by the libFuzzer programs and by the
// regression test that replays every input the fuzzers once tripped over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace veltrano::fuzz {

// A private folder for one process's fuzz files, created on first use.
const std::string& FuzzScratchDir();

// Writes `data` to the one input file of the scratch folder; its path.
std::string WriteInput(const uint8_t* data, size_t size);

// Writes `data` to a file and probes it.
void ProbeInput(const uint8_t* data, size_t size);

// Writes `data` to a file, probes it as Add does, and converts it to WAV and
// to MP3 in one batch, stopped after a few seconds and with every file the
// process writes capped in size. Aborts when the batch leaves anything but
// the outputs of its completed rows behind.
void ConvertInput(const uint8_t* data, size_t size);

} // namespace veltrano::fuzz
