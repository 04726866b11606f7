// 5.1 sources: kept as six channels where the output has six, mixed down
// (not cut to the first channels) to stereo and mono.
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace veltrano::test {
namespace {

constexpr int kRate = 48000;
constexpr double kToneAmplitude = 0.125; // ffmpeg's sine source
// One tone per source channel, in 5.1 order: FL FR FC LFE BL BR.
constexpr int kTones[6] = {300, 500, 700, 60, 900, 1100};
enum Channel { FL, FR, FC, LFE, BL, BR };

// ffmpeg arguments for a 5.1 file with one tone per channel.
std::string SixTonesArguments() {
    std::string inputs;
    std::string pads;
    for (int i = 0; i < 6; ++i) {
        inputs += " -f lavfi -i sine=frequency=" + std::to_string(kTones[i]) +
                  ":sample_rate=48000:duration=3";
        pads += "[" + std::to_string(i) + ":a]";
    }
    // Mono inputs would go to FC first without an explicit map.
    const std::string graph =
        pads + "join=inputs=6:channel_layout=5.1:map=0.0-FL|1.0-FR|2.0-FC|3.0-LFE|4.0-BL|5.0-BR";
    return inputs + " -filter_complex " + ShellQuote(graph) + " -c:a flac";
}

// Amplitude of a tone in one channel over the middle second of the signal.
double ToneLevel(const std::vector<float>& samples, int channels, int channel, int hz) {
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    if (frames < 2 * kRate) {
        return 0;
    }
    const size_t first = frames / 2 - kRate / 2;
    double re = 0;
    double im = 0;
    for (size_t i = 0; i < static_cast<size_t>(kRate); ++i) {
        const double x = samples[(first + i) * channels + channel];
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / kRate;
        re += x * std::cos(phase);
        im += x * std::sin(phase);
    }
    return 2 * std::hypot(re, im) / kRate;
}

std::vector<float> Convert(const std::string& source, const OutputChoice& output,
                           const std::string& folder) {
    AVConvert engine;
    RunBatch(engine, {BatchRow{source}}, output, folder);
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_EQ(ProbeAudio(engine.m_outputPaths[0]).channels, output.channels);
    return DecodeFloat(engine.m_outputPaths[0], kRate, output.channels);
}

// Each output channel holds the source channels `present` lists for it (a
// mixdown scales them, the surrounds to about a seventh in mono) and none of
// the others.
void ExpectTones(const std::vector<float>& out, int channels,
                 const std::vector<std::vector<int>>& present) {
    for (int ch = 0; ch < channels; ++ch) {
        for (int source = 0; source < 6; ++source) {
            if (source == LFE) {
                continue; // a mixdown may drop the LFE channel
            }
            const bool wanted =
                std::find(present[ch].begin(), present[ch].end(), source) != present[ch].end();
            const double level = ToneLevel(out, channels, ch, kTones[source]);
            if (wanted) {
                EXPECT_GT(level, 0.1 * kToneAmplitude)
                    << "output channel " << ch << " lacks source channel " << source;
            } else {
                EXPECT_LT(level, 0.02 * kToneAmplitude)
                    << "output channel " << ch << " holds source channel " << source;
            }
        }
    }
}

TEST(EngineChannels, KeepsSixChannelsInAc3) {
    const std::string folder = EngineScratchDir("six_channels");
    const std::string source = folder + "/six_tones.flac";
    ASSERT_TRUE(MakeMedia(SixTonesArguments(), source));
    const std::vector<float> out =
        Convert(source, OutputChoice{".ac3", "AC3", 448000, kRate, 6}, folder);
    ExpectTones(out, 6, {{FL}, {FR}, {FC}, {LFE}, {BL}, {BR}});
    EXPECT_GT(ToneLevel(out, 6, LFE, kTones[LFE]), 0.5 * kToneAmplitude);
}

TEST(EngineChannels, MixesFiveOneDownToStereoAndMono) {
    const std::string source = EngineScratchDir("mixdown") + "/six_tones.flac";
    ASSERT_TRUE(MakeMedia(SixTonesArguments(), source));
    const std::string stereoFolder = EngineScratchDir("mixdown_stereo");
    ExpectTones(Convert(source, OutputChoice{".wav", "PCM_S16LE", 0, kRate, 2}, stereoFolder), 2,
                {{FL, FC, BL}, {FR, FC, BR}});
    const std::string monoFolder = EngineScratchDir("mixdown_mono");
    ExpectTones(Convert(source, OutputChoice{".wav", "PCM_S16LE", 0, kRate, 1}, monoFolder), 1,
                {{FL, FR, FC, BL, BR}});
    const std::string ac3Folder = EngineScratchDir("mixdown_ac3");
    ExpectTones(Convert(source, OutputChoice{".ac3", "AC3", 192000, kRate, 2}, ac3Folder), 2,
                {{FL, FC, BL}, {FR, FC, BR}});
}

} // namespace
} // namespace veltrano::test
