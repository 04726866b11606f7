// Decoded frames that already are what the encoder takes go to it without the
// queue; the rest is still converted. Either way every sample arrives, in
// order, and a clip still starts and ends at its sample.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

namespace veltrano::test {
namespace {

std::vector<int16_t> Slice(const std::vector<int16_t>& samples, double start, double end,
                           int sampleRate, int channels) {
    const auto first = static_cast<size_t>(start * sampleRate) * channels;
    const auto last =
        end < 0 ? samples.size()
                : std::min(samples.size(), static_cast<size_t>(end * sampleRate) * channels);
    return std::vector<int16_t>(samples.begin() + static_cast<ptrdiff_t>(first),
                                samples.begin() + static_cast<ptrdiff_t>(last));
}

// Four seconds of 16-bit stereo noise at 44.1 kHz in FLAC: its blocks have
// the FLAC encoder's own frame size, and its samples are what WAV, AIFF and
// FLAC at their defaults take as they are.
std::string MatchingSource(const std::string& folder) {
    const std::string path = folder + "/matching.flac";
    EXPECT_TRUE(
        MakeMedia("-f lavfi -i anoisesrc=d=4:r=44100:a=0.3:seed=3 -ac 2 -sample_fmt s16", path));
    return path;
}

TEST(EngineStraightFrames, LosslessOutputsOfAMatchingSourceKeepEverySample) {
    const std::string folder = EngineScratchDir("straight_frames_lossless");
    const std::string source = MatchingSource(folder);
    const std::vector<int16_t> whole = DecodeS16(source);
    ASSERT_EQ(whole.size(), size_t{4 * 44100 * 2});
    struct Case {
        const char* extension;
        double start;
        double end; // negative: to the source's end
    };
    // Whole files go frame by frame; clips mix frames passed on whole with
    // cut ones that wait in the queue, before and after them.
    const Case cases[] = {
        {"flac", 0, -1}, {"wav", 0, -1}, {"aiff", 0, -1}, {"flac", 0, 3},
        {"flac", 1, 3},  {"wav", 1, 3},  {"au", 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.extension) + " from " + std::to_string(c.start) + " to " +
                     std::to_string(c.end));
        const std::string out = EngineScratchDir("straight_frames_lossless_out");
        OutputChoice output = CatalogueOutput(FindOutputFormatByExtension(c.extension));
        output.sampleRate = 44100;
        output.channels = 2;
        AVConvert engine;
        RunBatch(engine, {BatchRow{source, true, c.start, c.end}}, output, out);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        const std::vector<int16_t> expected = Slice(whole, c.start, c.end, 44100, 2);
        const std::vector<int16_t> converted = DecodeS16(engine.m_outputPaths[0]);
        EXPECT_EQ(converted.size(), expected.size());
        EXPECT_TRUE(converted == expected);
    }
}

// AC-3 frames decode to what the AC-3 encoder takes, frame for frame; a clip's
// first frame is cut, so the frames after it must wait behind it in the queue:
// given to the encoder past it, the cut one would end the stream early.
TEST(EngineStraightFrames, AClipOfAFixedFrameSourceKeepsItsFramesInOrder) {
    const std::string folder = EngineScratchDir("straight_frames_ac3");
    const std::string source = folder + "/surround.ac3";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=500:sample_rate=48000:duration=4 -ac 6 "
                          "-c:a ac3 -b:a 384k",
                          source));
    OutputChoice output = CatalogueOutput(FindOutputFormatByExtension("ac3"));
    output.sampleRate = 48000;
    output.channels = 6;
    for (const double start : {0.0, 1.0}) {
        SCOPED_TRACE(start);
        const std::string out = EngineScratchDir("straight_frames_ac3_out");
        AVConvert engine;
        RunBatch(engine, {BatchRow{source, true, start, 3}}, output, out);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        const ProbedAudio probed = ProbeAudio(engine.m_outputPaths[0]);
        EXPECT_EQ(probed.channels, 6);
        // Within an AC-3 frame (32 ms) and the encoder's delay of the clip.
        EXPECT_NEAR(probed.duration, 3 - start, 0.07);
        const std::vector<float> converted = DecodeFloat(engine.m_outputPaths[0], 48000, 6);
        const std::vector<float> whole = DecodeFloat(source, 48000, 6);
        const std::vector<float> clip(whole.begin() + static_cast<ptrdiff_t>(start * 48000 * 6),
                                      whole.begin() + 3 * 48000 * 6);
        EXPECT_GT(MiddleCorrelation(clip, converted, 6, 48000), 0.9);
    }
}

TEST(EngineStraightFrames, ASourceOfAnotherSampleFormatIsStillConverted) {
    const std::string folder = EngineScratchDir("straight_frames_format");
    // 24-bit samples decode as 32-bit: WAV's 16 bits need the converter.
    const std::string source = folder + "/deep.flac";
    ASSERT_TRUE(
        MakeMedia("-f lavfi -i anoisesrc=d=2:r=44100:a=0.3:seed=5 -ac 2 -sample_fmt s32", source));
    AVConvert engine;
    RunBatch(engine, {BatchRow{source}}, CatalogueOutput(FindOutputFormatByExtension("wav")),
             folder);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    const ProbedAudio probed = ProbeAudio(engine.m_outputPaths[0]);
    EXPECT_EQ(probed.codecName, "pcm_s16le");
    // The 16 bits the ffmpeg program cuts from the source, give or take the
    // dither that lowering the depth adds.
    const std::vector<int16_t> expected = DecodeS16(source);
    const std::vector<int16_t> converted = DecodeS16(engine.m_outputPaths[0]);
    ASSERT_EQ(converted.size(), expected.size());
    EXPECT_LE(LargestDifference(converted, expected), 2);
    EXPECT_FALSE(converted == expected);
}

TEST(EngineStraightFrames, ASourceOfAnotherRateIsStillResampled) {
    const std::string folder = EngineScratchDir("straight_frames_rate");
    const std::string source = folder + "/tone48.flac";
    ASSERT_TRUE(MakeMedia(
        "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=2 -ac 2 -sample_fmt s16",
        source));
    AVConvert engine;
    RunBatch(engine, {BatchRow{source}}, CatalogueOutput(FindOutputFormatByExtension("wav")),
             folder);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    const ProbedAudio probed = ProbeAudio(engine.m_outputPaths[0]);
    EXPECT_EQ(probed.sampleRate, 44100);
    const std::vector<float> converted = DecodeFloat(engine.m_outputPaths[0], 44100, 2);
    EXPECT_NEAR(static_cast<double>(converted.size()), 2.0 * 44100 * 2, 2 * 2);
    EXPECT_GT(MiddleCorrelation(DecodeFloat(source, 44100, 2), converted, 2, 44100), 0.99);
}

} // namespace
} // namespace veltrano::test
