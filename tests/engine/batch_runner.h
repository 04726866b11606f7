// Drives the engine the way the window does: probe every checked row, fill
// the batch arrays, put the output parameters in force last, run the worker.
#pragma once

#include "engine/av_convert.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltrano::test {

// One row of the task list.
struct BatchRow {
    std::string source;   // the file the row shows
    bool checked = true;  // an unchecked row reaches the worker with an empty input path
    double clipStart = 0; // seconds
    double clipEnd = -1;  // seconds; negative: untrimmed, i.e. the probed whole seconds
};

// The output parameters in force for a batch.
struct OutputChoice {
    std::string extension; // ".mp3"
    std::string encoder;   // "MP3"
    int bitRate = 0;
    int sampleRate = 0;
    int channels = 0;
};

// A fresh scratch folder kept apart from other suites' folders of the same name.
std::string EngineScratchDir(const std::string& name);

// A catalogue row's defaults, as selecting it in the format box puts them in force.
OutputChoice CatalogueOutput(int index);

// The catalogue row's extension without its dot ("mp3"), for test names.
std::string CatalogueExtension(int index);

// The catalogue row's name ("mp3", "alac"), unique where extensions are not.
std::string CatalogueName(int index);

// Fills the engine for `rows`, every output going to `folder`.
void FillBatch(AVConvert& engine, const std::vector<BatchRow>& rows, const OutputChoice& output,
               const std::string& folder);

// FillBatch, then the worker on this thread.
void RunBatch(AVConvert& engine, const std::vector<BatchRow>& rows, const OutputChoice& output,
              const std::string& folder);

// How alike two interleaved signals at the same rate are: the best
// correlation of a quarter second taken from the middle of `reference`
// against `output`, over shifts of up to ±50 ms (encoder delay or priming).
double MiddleCorrelation(const std::vector<float>& reference, const std::vector<float>& output,
                         int channels, int sampleRate);

// The names of the files in a folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder);

} // namespace veltrano::test
