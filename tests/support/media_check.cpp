#include "tests/support/media_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <strings.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace veltrano::test {

std::string FixturePath(const std::string& name) {
    return std::string(VELTRANO_FIXTURE_DIR) + "/" + name;
}

std::string MakeScratchDir(const std::string& name) {
    const fs::path dir = fs::path(VELTRANO_SCRATCH_DIR) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string RunCommand(const std::string& command, int* exitCode) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (exitCode) {
            *exitCode = -1;
        }
        return output;
    }
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    if (exitCode) {
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return output;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

int64_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

std::string ProbedAudio::Tag(const std::string& key) const {
    for (const auto& [k, v] : tags) {
        if (strcasecmp(k.c_str(), key.c_str()) == 0) {
            return v;
        }
    }
    return "";
}

namespace {

// Reads "key=value" lines of ffprobe's flat-ish default output.
// ffprobe prints a stream's codec_name before its codec_type, so the name is
// kept until the type says whether it belongs to the first audio stream.
void ParseProbeLine(const std::string& line, ProbedAudio& info, bool& inAudio,
                    std::string& streamCodec) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
        return;
    }
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "codec_name") {
        streamCodec = value;
    } else if (key == "codec_type") {
        inAudio = value == "audio";
        if (inAudio && ++info.audioStreams == 1) {
            info.codecName = streamCodec;
        }
    } else if (key == "format_name") {
        info.formatName = value;
    } else if (key.rfind("TAG:", 0) == 0) {
        info.tags.emplace_back(key.substr(4), value);
    } else if (inAudio && info.audioStreams == 1) {
        if (key == "sample_rate") {
            info.sampleRate = std::atoi(value.c_str());
        } else if (key == "channels") {
            info.channels = std::atoi(value.c_str());
        }
    }
}

// The played duration: the end of the last decoded audio frame.
double DecodedDuration(const std::string& path) {
    int code = 0;
    const std::string out = RunCommand(
        "ffprobe -v error -select_streams a:0 -show_entries frame=pts_time,pkt_duration_time "
        "-of csv=p=0 " +
            ShellQuote(path),
        &code);
    double end = 0;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t comma = line.find(',');
        if (comma == std::string::npos) {
            continue;
        }
        const double pts = std::atof(line.substr(0, comma).c_str());
        const double duration = std::atof(line.substr(comma + 1).c_str());
        end = std::max(end, pts + duration);
    }
    return end;
}

} // namespace

ProbedAudio ProbeAudio(const std::string& path) {
    ProbedAudio info;
    int code = 0;
    const std::string out = RunCommand(
        "ffprobe -v error -show_format -show_streams " + ShellQuote(path) + " 2>/dev/null", &code);
    if (code != 0) {
        return info;
    }
    std::istringstream lines(out);
    std::string line;
    bool inAudio = false;
    std::string streamCodec;
    while (std::getline(lines, line)) {
        if (line == "[FORMAT]" || line == "[STREAM]") {
            inAudio = false;
        }
        ParseProbeLine(line, info, inAudio, streamCodec);
    }
    info.ok = info.audioStreams > 0;
    if (info.ok) {
        info.duration = DecodedDuration(path);
    }
    return info;
}

namespace {

std::string DecodeToStdout(const std::string& path, int audioIndex, const std::string& conversion) {
    return RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) +
                      " -map 0:a:" + std::to_string(audioIndex) + " " + conversion + " -");
}

template <typename Sample> std::vector<Sample> AsSamples(const std::string& bytes) {
    std::vector<Sample> samples(bytes.size() / sizeof(Sample));
    if (!samples.empty()) {
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(Sample));
    }
    return samples;
}

} // namespace

std::vector<int16_t> DecodeS16(const std::string& path, int audioIndex) {
    return AsSamples<int16_t>(DecodeToStdout(path, audioIndex, "-f s16le -c:a pcm_s16le"));
}

std::vector<int32_t> DecodeS32(const std::string& path, int audioIndex) {
    return AsSamples<int32_t>(DecodeToStdout(path, audioIndex, "-f s32le -c:a pcm_s32le"));
}

std::vector<float> DecodeFloat(const std::string& path, int sampleRate, int channels,
                               int audioIndex) {
    return AsSamples<float>(DecodeToStdout(path, audioIndex,
                                           "-f f32le -c:a pcm_f32le -ar " +
                                               std::to_string(sampleRate) + " -ac " +
                                               std::to_string(channels)));
}

double PlayedSeconds(const std::string& path) {
    const ProbedAudio probed = ProbeAudio(path);
    if (!probed.ok || probed.sampleRate <= 0 || probed.channels <= 0) {
        return 0;
    }
    return static_cast<double>(DecodeS16(path).size()) / probed.channels / probed.sampleRate;
}

int LargestDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
    const size_t count = std::min(a.size(), b.size());
    int largest = 0;
    for (size_t i = 0; i < count; ++i) {
        largest = std::max(largest, std::abs(a[i] - b[i]));
    }
    return largest;
}

double Rms(const std::vector<float>& samples) {
    if (samples.empty()) {
        return 0;
    }
    double sum = 0;
    for (float s : samples) {
        sum += static_cast<double>(s) * s;
    }
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

double BestCorrelation(const std::vector<float>& a, const std::vector<float>& b, int channels,
                       int maxLag) {
    double best = -1;
    for (int lag = 0; lag <= maxLag; ++lag) {
        const size_t shift = static_cast<size_t>(lag) * channels;
        if (shift >= b.size()) {
            break;
        }
        const size_t n = std::min(a.size(), b.size() - shift);
        double ab = 0, aa = 0, bb = 0;
        for (size_t i = 0; i < n; ++i) {
            ab += static_cast<double>(a[i]) * b[i + shift];
            aa += static_cast<double>(a[i]) * a[i];
            bb += static_cast<double>(b[i + shift]) * b[i + shift];
        }
        if (aa > 0 && bb > 0) {
            best = std::max(best, ab / std::sqrt(aa * bb));
        }
    }
    return best;
}

bool MakeMedia(const std::string& arguments, const std::string& path) {
    int code = 0;
    const std::string log = RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " +
                                           arguments + " " + ShellQuote(path) + " 2>&1",
                                       &code);
    if (code != 0) {
        std::cerr << "ffmpeg could not make " << path << ":\n" << log;
    }
    return code == 0;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace veltrano::test
