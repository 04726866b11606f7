// Every catalogue format from every fixture with sound: container, codec,
// rate, channels, length and the sound itself, checked with ffprobe/ffmpeg.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>

namespace veltrano::test {
namespace {

struct SoundFixture {
    const char* name;
    int audioIndex; // the stream the engine converts: the last audio stream
    int sampleRate;
    int channels;
    bool tagged;
    bool decodesToFloat; // a lossy source: its 16-bit samples are already a rounding
    bool deeperThan16;   // 24-bit or float samples: a 16-bit output of them is dithered
};

const SoundFixture kSoundFixtures[] = {
    {"stereo44.wav", 0, 44100, 2, true, false, false},
    {"surround48.flac", 0, 48000, 6, false, false, true},
    {"mono8.wav", 0, 8000, 1, false, false, false},
    {"video_sound.mp4", 0, 44100, 2, false, true, true},
    {"tagged.ogg", 0, 44100, 2, true, true, true},
    {"two_audio.mkv", 1, 22050, 1, false, false, false},
};

// The tags tests/fixtures/make_fixtures.sh gives stereo44.wav and tagged.ogg
// (date and track are compared by their numbers).
const std::map<std::string, std::string> kSourceTags = {
    {"title", "Test Title"},     {"artist", "Test Artist"}, {"album", "Test Album"},
    {"comment", "Test Comment"}, {"genre", "Rock"},         {"copyright", "Test Copyright"},
};

// What ffprobe must say of each catalogue row's output, in catalogue order.
struct FormatExpectation {
    const char* extension;
    const char* formatName;
    const char* codecName;
    // How far the played length may stray from the source's, in output
    // samples: one encoder frame (its padding); raw AAC also plays its 1024
    // priming samples, and WMA the frame that brings out its last one.
    int lengthToleranceSamples;
    bool lossless;
    std::vector<std::string> keptTags; // the source tags the container can hold
};

const std::vector<std::string> kAllTags = {"title",   "artist", "album", "date",
                                           "comment", "genre",  "track", "copyright"};
const std::vector<std::string> kNameChunkTags = {"title", "copyright", "comment"};
const std::vector<std::string> kAnnotationTags = {"title", "artist", "album", "track", "genre"};

const FormatExpectation kFormatExpectations[] = {
    {"aac", "aac", "aac", 2048, false, {}},
    {"ac3", "ac3", "ac3", 1536, false, {}},
    {"aiff", "aiff", "pcm_s16be", 1, true, kNameChunkTags},
    {"au", "au", "pcm_s16be", 1, true, kAnnotationTags},
    {"m4a", "mov,mp4,m4a,3gp,3g2,mj2", "aac", 1024, false, kAllTags},
    {"mp2", "mp3", "mp2", 1152, false, {}},
    {"mp3", "mp3", "mp3", 1152, false, kAllTags},
    {"ogg", "ogg", "vorbis", 1024, false, kAllTags},
    {"ra", "rm", "ac3", 1536, false, kNameChunkTags},
    {"wav", "wav", "pcm_s16le", 1, true, kAllTags},
    {"wma", "asf", "wmav2", 2048 + 2048, false, kAllTags},
    {"flac", "flac", "flac", 1, true, kAllTags},
    {"opus", "ogg", "opus", 960, false, kAllTags},
    {"m4a", "mov,mp4,m4a,3gp,3g2,mj2", "alac", 1, true, kAllTags},
};

// Lossy encoders keep only part of the noise fixture's band, and the
// resampler's cutoff trims the top of it; unrelated sound scores near 0.
constexpr double kMinLossyCorrelation = 0.6;
constexpr double kMinLosslessCorrelation = 0.9;

std::string TestNameOf(const std::string& text) {
    std::string name;
    for (char c : text) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

double Seconds(size_t samples, int channels, int sampleRate) {
    return static_cast<double>(samples) / channels / sampleRate;
}

struct ConvertedRow {
    std::string outputPath;
    ProbedAudio probed;
};

// Converts one fixture in a batch of one row and checks the worker's account of it.
ConvertedRow ConvertFixture(const SoundFixture& fixture, const OutputChoice& output,
                            const std::string& scratchName) {
    const std::string folder = EngineScratchDir(scratchName);
    AVConvert engine;
    RunBatch(engine, {BatchRow{FixturePath(fixture.name)}}, output, folder);
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_EQ(LoadRelaxed(engine.m_currentTask), 1);
    EXPECT_EQ(LoadRelaxed(engine.m_progress), 100);
    ConvertedRow row{engine.m_outputPaths[0], {}};
    row.probed = ProbeAudio(row.outputPath);
    return row;
}

void ExpectSoundLikeSource(const SoundFixture& fixture, const std::string& outputPath,
                           const OutputChoice& output, const FormatExpectation& expected) {
    const std::vector<float> reference = DecodeFloat(FixturePath(fixture.name), output.sampleRate,
                                                     output.channels, fixture.audioIndex);
    const std::vector<float> converted =
        DecodeFloat(outputPath, output.sampleRate, output.channels);
    const double sourceLength = Seconds(reference.size(), output.channels, output.sampleRate);
    const double length = Seconds(converted.size(), output.channels, output.sampleRate);
    EXPECT_NEAR(length, sourceLength,
                static_cast<double>(expected.lengthToleranceSamples) / output.sampleRate);
    EXPECT_GE(MiddleCorrelation(reference, converted, output.channels, output.sampleRate),
              expected.lossless ? kMinLosslessCorrelation : kMinLossyCorrelation);
    // A downmix is scaled to stay clear of clipping; its level is checked elsewhere.
    if (fixture.channels <= output.channels) {
        const double levelRatio = Rms(converted) / Rms(reference);
        EXPECT_GT(levelRatio, 0.7);
        EXPECT_LT(levelRatio, 1.4);
    }
}

void ExpectSourceTags(const ProbedAudio& probed, const std::vector<std::string>& keys) {
    for (const std::string& key : keys) {
        const std::string value = probed.Tag(key);
        if (key == "date") {
            EXPECT_EQ(value.substr(0, 4), "2024");
        } else if (key == "track") {
            EXPECT_EQ(std::atoi(value.c_str()), 7) << value;
        } else {
            EXPECT_EQ(value, kSourceTags.at(key)) << key;
        }
    }
}

// "Same as source" as it turns out for the fixture: every encoder with such a
// default takes each fixture's rate and channels as they are.
OutputChoice AsWritten(OutputChoice output, const SoundFixture& fixture) {
    if (output.sampleRate == kSameAsSource) {
        output.sampleRate = fixture.sampleRate;
    }
    if (output.channels == kSameAsSource) {
        output.channels = fixture.channels;
    }
    return output;
}

using MatrixCase = std::tuple<int, SoundFixture>;

class EngineFormatMatrix : public testing::TestWithParam<MatrixCase> {};

TEST_P(EngineFormatMatrix, ConvertsWithCatalogueDefaults) {
    const auto& [formatIndex, fixture] = GetParam();
    const FormatExpectation& expected = kFormatExpectations[formatIndex];
    ASSERT_EQ(CatalogueExtension(formatIndex), expected.extension);
    const OutputChoice output = AsWritten(CatalogueOutput(formatIndex), fixture);
    const ConvertedRow row =
        ConvertFixture(fixture, CatalogueOutput(formatIndex),
                       TestNameOf("matrix_" + CatalogueName(formatIndex) + "_" + fixture.name));

    ASSERT_TRUE(row.probed.ok) << row.outputPath;
    EXPECT_EQ(row.probed.formatName, expected.formatName);
    EXPECT_EQ(row.probed.codecName, expected.codecName);
    EXPECT_EQ(row.probed.sampleRate, output.sampleRate);
    EXPECT_EQ(row.probed.channels, output.channels);
    EXPECT_EQ(row.probed.audioStreams, 1);
    ExpectSoundLikeSource(fixture, row.outputPath, output, expected);
    if (fixture.tagged) {
        ExpectSourceTags(row.probed, expected.keptTags);
    }
}

std::string MatrixCaseName(const testing::TestParamInfo<MatrixCase>& info) {
    const auto& [formatIndex, fixture] = info.param;
    return TestNameOf(CatalogueName(formatIndex) + "_from_" + fixture.name);
}

INSTANTIATE_TEST_SUITE_P(EngineFormat, EngineFormatMatrix,
                         testing::Combine(testing::Range(0, kOutputFormatCount),
                                          testing::ValuesIn(kSoundFixtures)),
                         MatrixCaseName);

// Lossless outputs at the source's own rate and channel count carry the
// source's samples unchanged, from the first to the last.
class EngineFormatLossless : public testing::TestWithParam<MatrixCase> {};

TEST_P(EngineFormatLossless, KeepsEverySampleAtSourceRate) {
    const auto& [formatIndex, fixture] = GetParam();
    OutputChoice output = CatalogueOutput(formatIndex);
    output.sampleRate = fixture.sampleRate;
    output.channels = fixture.channels;
    const ConvertedRow row = ConvertFixture(
        fixture, output, TestNameOf("lossless_" + CatalogueName(formatIndex) + "_" + fixture.name));
    ASSERT_TRUE(row.probed.ok) << row.outputPath;
    EXPECT_EQ(row.probed.sampleRate, fixture.sampleRate);
    EXPECT_EQ(row.probed.channels, fixture.channels);
    const std::vector<int16_t> source = DecodeS16(FixturePath(fixture.name), fixture.audioIndex);
    const std::vector<int16_t> converted = DecodeS16(row.outputPath);
    ASSERT_FALSE(source.empty());
    EXPECT_EQ(converted.size(), source.size());
    // A float source reaches FLAC and ALAC as 24-bit samples, which decode to
    // 16 bits with a truncation where the source decodes with a rounding. A
    // deeper source's 16-bit output carries dither: a step either way of a
    // rounding.
    const std::string name = CatalogueName(formatIndex);
    const bool keepsDepth = name == "flac" || name == "alac";
    const int allowed =
        fixture.decodesToFloat && keepsDepth ? 1 : (fixture.deeperThan16 && !keepsDepth ? 2 : 0);
    const size_t n = std::min(source.size(), converted.size());
    for (size_t i = 0; i < n; ++i) {
        if (std::abs(source[i] - converted[i]) > allowed) {
            ADD_FAILURE() << "sample " << i << " is " << converted[i] << ", source has "
                          << source[i];
            break;
        }
    }
}

const int kLosslessFormats[] = {
    FindOutputFormatByExtension("aiff"), FindOutputFormatByExtension("au"),
    FindOutputFormatByExtension("wav"),  FindOutputFormatByExtension("flac"),
    FindOutputFormatByName("alac"),
};

INSTANTIATE_TEST_SUITE_P(EngineFormat, EngineFormatLossless,
                         testing::Combine(testing::ValuesIn(kLosslessFormats),
                                          testing::ValuesIn(kSoundFixtures)),
                         MatrixCaseName);

// The encoders no catalogue row starts with.
TEST(EngineFormatEncoders, WritesEncodersOutsideTheDefaults) {
    struct EncoderCase {
        const char* encoder;
        FormatExpectation expected;
    };
    const EncoderCase cases[] = {
        {"WMA7", {"wma", "asf", "wmav1", 2048 + 2048, false, kAllTags}},
        {"PCM_MULAW", {"wav", "wav", "pcm_mulaw", 1, true, kAllTags}},
        {"PCM_ALAW", {"wav", "wav", "pcm_alaw", 1, true, kAllTags}},
    };
    const SoundFixture& fixture = kSoundFixtures[0];
    for (const EncoderCase& c : cases) {
        SCOPED_TRACE(c.encoder);
        const OutputChoice output{std::string(".") + c.expected.extension, c.encoder, 128000, 44100,
                                  2};
        const ConvertedRow row =
            ConvertFixture(fixture, output, TestNameOf(std::string("encoder_") + c.encoder));
        ASSERT_TRUE(row.probed.ok) << row.outputPath;
        EXPECT_EQ(row.probed.formatName, c.expected.formatName);
        EXPECT_EQ(row.probed.codecName, c.expected.codecName);
        EXPECT_EQ(row.probed.sampleRate, output.sampleRate);
        EXPECT_EQ(row.probed.channels, output.channels);
        ExpectSoundLikeSource(fixture, row.outputPath, output, c.expected);
        ExpectSourceTags(row.probed, c.expected.keptTags);
    }
}

} // namespace
} // namespace veltrano::test
