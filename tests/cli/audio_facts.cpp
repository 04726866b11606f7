#include "audio_facts.h"

#include "tests/support/media_check.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace veltrano::test {

std::string FirstAudioCodec(const std::string& path) {
    std::string name = RunCommand("ffprobe -v error -select_streams a:0 -show_entries "
                                  "stream=codec_name -of csv=p=0 " +
                                  ShellQuote(path));
    name.erase(name.find_last_not_of(" \n") + 1);
    return name;
}

double PlayedSeconds(const std::string& path) {
    const std::string out = RunCommand("ffprobe -v error -select_streams a:0 -show_entries "
                                       "frame=pts_time,pkt_duration_time -of csv=p=0 " +
                                       ShellQuote(path));
    double end = 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const size_t comma = line.find(',');
        if (comma != std::string::npos) {
            end = std::max(end, std::atof(line.c_str()) + std::atof(line.c_str() + comma + 1));
        }
    }
    return end;
}

} // namespace veltrano::test
