// Test helpers: fixture paths, scratch folders, and independent checks of
// media files with the ffprobe and ffmpeg programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrano::test {

// Path of a generated fixture (tests/fixtures/make_fixtures.sh).
std::string FixturePath(const std::string& name);

// A fresh, empty folder for one test, below the build tree.
std::string MakeScratchDir(const std::string& name);

// Runs a shell command; returns its standard output and sets exitCode.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);

// Quotes a path for the shell.
std::string ShellQuote(const std::string& text);

// Writes a media file with the ffmpeg program; `arguments` go between the
// common options and the output path. False (and ffmpeg's complaint on the
// test log) when ffmpeg fails.
[[nodiscard]] bool MakeMedia(const std::string& arguments, const std::string& path);

bool FileExists(const std::string& path);
int64_t FileSize(const std::string& path);

// What ffprobe says of a file's container and first audio stream.
struct ProbedAudio {
    bool ok = false;        // ffprobe read the file and found an audio stream
    std::string formatName; // e.g. "mp3", "mov,mp4,m4a,3gp,3g2,mj2"
    std::string codecName;  // e.g. "mp3", "pcm_s16le"
    int sampleRate = 0;
    int channels = 0;
    int audioStreams = 0;
    double duration = 0;                           // seconds, from decoding every packet
    std::string Tag(const std::string& key) const; // container or stream tag, "" if none
    std::vector<std::pair<std::string, std::string>> tags;
};
ProbedAudio ProbeAudio(const std::string& path);

// Decodes an audio stream (the first by default) with the ffmpeg program to
// interleaved 16-bit samples, keeping its rate and channel count.
std::vector<int16_t> DecodeS16(const std::string& path, int audioIndex = 0);

// The same as 32-bit samples: 16- and 24-bit sound decodes without loss,
// left-aligned, so sources and outputs of either depth compare sample by sample.
std::vector<int32_t> DecodeS32(const std::string& path, int audioIndex = 0);

// Decoded sound as float samples at a given rate and channel count (ffmpeg
// resamples), for comparing lossy outputs with their sources.
std::vector<float> DecodeFloat(const std::string& path, int sampleRate, int channels,
                               int audioIndex = 0);

// Seconds of sound the first audio stream decodes to (0 when unreadable).
double PlayedSeconds(const std::string& path);

// The largest difference between two 16-bit signals sample by sample, over
// the length of the shorter.
int LargestDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

// Root-mean-square of a float signal.
double Rms(const std::vector<float>& samples);

// Best normalised cross-correlation of b against a over lags 0..maxLag
// samples per channel (to absorb encoder delay); 1 means identical shape.
double BestCorrelation(const std::vector<float>& a, const std::vector<float>& b, int channels,
                       int maxLag);

// A whole file's bytes ("" when unreadable), and a file written with exactly
// these bytes.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

} // namespace veltrano::test
