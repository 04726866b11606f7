// Opus, ALAC, the deeper PCM encoders and "Same as source": each output
// probed with ffprobe and decoded with ffmpeg; lossless outputs keep every
// bit of 16- and 24-bit sources at 44.1 and 96 kHz.
#include "engine/same_as_source.h"
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace veltrano::test {
namespace {

struct DeepSource {
    const char* name;
    int sampleRate;
    int bits;
};

const DeepSource kDeepSources[] = {
    {"stereo44.wav", 44100, 16},
    {"deep44.flac", 44100, 24},
    {"plain96.wav", 96000, 16},
    {"hires96.flac", 96000, 24},
};

// A format's encoder at "Same as source" rate and channels.
struct KeptFormat {
    const char* label;
    const char* extension;
    const char* encoder;
    const char* codecName;
    int bitsOf16; // the output's depth from a 16-bit source
    int bitsOf24; // and from a 24-bit one
};

const KeptFormat kKeptFormats[] = {
    {"flac", ".flac", "FLAC", "flac", 16, 24},
    {"alac", ".m4a", "ALAC", "alac", 16, 24},
    {"wav_s24", ".wav", "PCM_S24LE", "pcm_s24le", 24, 24},
    {"wav_f32", ".wav", "PCM_F32LE", "pcm_f32le", 32, 32},
    {"aiff_s24", ".aiff", "PCM_S24BE", "pcm_s24be", 24, 24},
};

// The output's depth as ffprobe reads it: the raw sample depth where the codec
// has one (FLAC, ALAC), else the PCM sample size.
int ProbedBits(const std::string& path) {
    const std::string out =
        RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=bits_per_raw_sample,"
                   "bits_per_sample -of default=nw=1 " +
                   ShellQuote(path));
    auto valueOf = [&](const std::string& key) {
        const size_t at = out.find(key + "=");
        return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + key.size() + 1);
    };
    const int raw = valueOf("bits_per_raw_sample");
    return raw > 0 ? raw : valueOf("bits_per_sample");
}

using KeptCase = std::tuple<KeptFormat, DeepSource>;

class EngineKeptSource : public testing::TestWithParam<KeptCase> {};

TEST_P(EngineKeptSource, KeepsRateChannelsAndEveryBit) {
    const auto& [format, source] = GetParam();
    const std::string folder =
        EngineScratchDir(std::string("kept_") + format.label + "_" + source.name);
    const OutputChoice output{format.extension, format.encoder, 128000, kSameAsSource,
                              kSameAsSource};
    AVConvert engine;
    RunBatch(engine, {BatchRow{FixturePath(source.name)}}, output, folder);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    const std::string converted = engine.m_outputPaths[0];

    const ProbedAudio probed = ProbeAudio(converted);
    ASSERT_TRUE(probed.ok) << converted;
    EXPECT_EQ(probed.codecName, format.codecName);
    EXPECT_EQ(probed.sampleRate, source.sampleRate);
    EXPECT_EQ(probed.channels, 2);
    EXPECT_EQ(ProbedBits(converted), source.bits == 16 ? format.bitsOf16 : format.bitsOf24);

    const std::vector<int32_t> expected = DecodeS32(FixturePath(source.name));
    const std::vector<int32_t> written = DecodeS32(converted);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(written.size(), expected.size());
    const auto differs = std::mismatch(expected.begin(), expected.end(), written.begin());
    EXPECT_TRUE(differs.first == expected.end())
        << "sample " << (differs.first - expected.begin()) << " is " << *differs.second
        << ", the source has " << *differs.first;
}

std::string KeptCaseName(const testing::TestParamInfo<KeptCase>& info) {
    std::string name =
        std::string(std::get<0>(info.param).label) + "_from_" + std::get<1>(info.param).name;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(EngineHiRes, EngineKeptSource,
                         testing::Combine(testing::ValuesIn(kKeptFormats),
                                          testing::ValuesIn(kDeepSources)),
                         KeptCaseName);

// What "Same as source" gives where the encoder cannot take the source as it
// is, and lossy outputs of the new formats.
struct FittedCase {
    const char* label;
    const char* source;
    OutputChoice output;
    const char* codecName;
    int sampleRate;
    int channels;
    // Noise in six channels at these bit rates keeps less of its shape than
    // a tone; unrelated sound scores near 0.
    double minCorrelation = 0.6;
};

const FittedCase kFittedCases[] = {
    {"mp3_from_96k", "hires96.flac", {".mp3", "MP3", 128000, kSameAsSource, 2}, "mp3", 48000, 2},
    {"ac3_from_7_1",
     "surround71.wav",
     {".ac3", "AC3", 192000, 48000, kSameAsSource},
     "ac3",
     48000,
     6,
     0.45},
    {"opus_from_44k",
     "stereo44.wav",
     {".opus", "OPUS", 128000, kSameAsSource, kSameAsSource},
     "opus",
     48000,
     2},
    {"opus_from_5_1",
     "surround48.flac",
     {".opus", "OPUS", 192000, 48000, kSameAsSource},
     "opus",
     48000,
     6,
     0.45},
    // Opus takes 5.1 with back channels only: side channels are moved there.
    {"opus_from_5_1_side",
     "side51.flac",
     {".opus", "OPUS", 256000, 48000, 6},
     "opus",
     48000,
     6,
     0.45},
    {"opus_from_5_1_side_as_source",
     "side51.flac",
     {".opus", "OPUS", 256000, 48000, kSameAsSource},
     "opus",
     48000,
     6,
     0.45},
    {"opus_mono", "mono8.wav", {".opus", "OPUS", 64000, 48000, 1}, "opus", 48000, 1},
    {"vorbis_keeps_mono",
     "mono8.wav",
     {".ogg", "VORBIS", 64000, 44100, kSameAsSource},
     "vorbis",
     44100,
     1},
    {"wma_from_96k", "plain96.wav", {".wma", "WMA8", 128000, kSameAsSource, 2}, "wmav2", 48000, 2},
};

class EngineFittedSource : public testing::TestWithParam<FittedCase> {};

TEST_P(EngineFittedSource, TakesTheNearestTheEncoderTakes) {
    const FittedCase& c = GetParam();
    const std::string folder = EngineScratchDir(std::string("fitted_") + c.label);
    AVConvert engine;
    RunBatch(engine, {BatchRow{FixturePath(c.source)}}, c.output, folder);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    const ProbedAudio probed = ProbeAudio(engine.m_outputPaths[0]);
    ASSERT_TRUE(probed.ok);
    EXPECT_EQ(probed.codecName, c.codecName);
    EXPECT_EQ(probed.sampleRate, c.sampleRate);
    EXPECT_EQ(probed.channels, c.channels);
    const std::vector<float> reference =
        DecodeFloat(FixturePath(c.source), c.sampleRate, c.channels);
    const std::vector<float> converted =
        DecodeFloat(engine.m_outputPaths[0], c.sampleRate, c.channels);
    EXPECT_GE(MiddleCorrelation(reference, converted, c.channels, c.sampleRate), c.minCorrelation);
}

INSTANTIATE_TEST_SUITE_P(EngineHiRes, EngineFittedSource, testing::ValuesIn(kFittedCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace veltrano::test
