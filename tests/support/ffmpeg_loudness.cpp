#include "tests/support/ffmpeg_loudness.h"

#include "tests/support/media_check.h"

#include <cmath>
#include <cstdlib>

namespace veltrano::test {

namespace {

// The filters' running values grow to the whole stream's: the last is it.
double LastValue(const std::string& lines, const std::string& key) {
    const size_t at = lines.rfind(key + "=");
    return at == std::string::npos ? NAN : std::atof(lines.c_str() + at + key.size() + 1);
}

double Decibels(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : NAN;
}

} // namespace

FfmpegLoudness MeasureWithFfmpeg(const std::vector<std::string>& paths) {
    std::string command = "ffmpeg -nostdin -nostats -v error";
    std::string filter;
    for (size_t i = 0; i < paths.size(); ++i) {
        command += " -i " + ShellQuote(paths[i]);
        filter += "[" + std::to_string(i) + ":a]";
    }
    // ebur128 prints its peaks to three decimals only; astats gives the
    // sample peak to a millionth of a dB.
    filter += "concat=n=" + std::to_string(paths.size()) +
              ":v=0:a=1,ebur128=metadata=1:peak=true,astats=metadata=1:measure_perchannel=none:"
              "measure_overall=Peak_level,ametadata=mode=print:file=-";
    command += " -filter_complex " + ShellQuote(filter) + " -f null - | tail -n 40";
    const std::string lines = RunCommand(command);
    FfmpegLoudness level;
    level.integrated = LastValue(lines, "lavfi.r128.I");
    level.truePeakDb = Decibels(LastValue(lines, "lavfi.r128.true_peak"));
    level.samplePeakDb = LastValue(lines, "lavfi.astats.Overall.Peak_level");
    return level;
}

} // namespace veltrano::test
