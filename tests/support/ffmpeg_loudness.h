// EBU R128 measurements of media files by FFmpeg's ebur128 filter, and their
// sample peak by its astats filter: independent of the converter's meter.
#pragma once

#include <string>
#include <vector>

namespace veltrano::test {

struct FfmpegLoudness {
    double integrated = 0;   // LUFS; NAN when FFmpeg gave none
    double truePeakDb = 0;   // dBTP; NAN when none
    double samplePeakDb = 0; // dBFS; NAN when none
};

// The files played one after another, as one stream.
FfmpegLoudness MeasureWithFfmpeg(const std::vector<std::string>& paths);

} // namespace veltrano::test
