// Bit depth: a conversion that keeps or raises the depth gives back the
// source's samples bit for bit; one that lowers it (24 bits or float to 16)
// dithers, so quiet sound below the last bit survives as noise around it, and
// samples beyond full scale are clipped, never wrapped.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace veltrano::test {
namespace {

constexpr double kFullScale16 = 32768.0;

// The output at the source's own rate and channel count.
OutputChoice NativeOutput(const std::string& extension, int sampleRate, int channels) {
    OutputChoice output = CatalogueOutput(FindOutputFormatByExtension(extension));
    output.sampleRate = sampleRate;
    output.channels = channels;
    return output;
}

// Every sample at 32 bits, as FFmpeg's decoder gives it: 16- and 24-bit
// samples both fit without loss.
std::string DecodeS32Bytes(const std::string& path) {
    return RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) +
                      " -f s32le -c:a pcm_s32le -");
}

TEST(EngineBitDepth, KeepingOrRaisingTheDepthIsBitExact) {
    struct Case {
        const char* name;
        const char* source; // ffmpeg arguments
        const char* extension;
        int sampleRate;
        int channels;
    };
    const std::string noise16 = "-f lavfi -i anoisesrc=d=1:r=44100:a=0.5:seed=3 -ac 2 ";
    const std::string noise24 = "-f lavfi -i anoisesrc=d=1:r=96000:a=0.5:seed=4 -ac 2 ";
    const Case cases[] = {
        {"s16_to_wav", "-c:a pcm_s16le", "wav", 44100, 2},
        {"s16_to_flac", "-c:a pcm_s16le", "flac", 44100, 2},
        {"s16_to_aiff", "-c:a pcm_s16le", "aiff", 44100, 2},
        {"s24_flac_to_flac", "-c:a flac -sample_fmt s32", "flac", 96000, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool deep = c.sampleRate == 96000;
        const std::string sourceArguments = (deep ? noise24 : noise16) + c.source;
        const std::string dir = EngineScratchDir(std::string("exact_") + c.name);
        const std::string source = dir + (deep ? "/source.flac" : "/source.wav");
        ASSERT_TRUE(MakeMedia(sourceArguments, source));
        const std::string out = EngineScratchDir(std::string("exact_") + c.name + "_out");
        AVConvert engine;
        RunBatch(engine, {BatchRow{source}}, NativeOutput(c.extension, c.sampleRate, c.channels),
                 out);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        const std::string expected = DecodeS32Bytes(source);
        const std::string converted = DecodeS32Bytes(engine.m_outputPaths[0]);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(converted.size(), expected.size());
        EXPECT_TRUE(converted == expected);
        if (deep) {
            EXPECT_EQ(ProbeAudio(engine.m_outputPaths[0]).codecName, "flac");
            const std::string bits =
                RunCommand("ffprobe -v error -select_streams a:0 -show_entries "
                           "stream=bits_per_raw_sample -of default=nw=1:nk=1 " +
                           ShellQuote(engine.m_outputPaths[0]));
            EXPECT_EQ(std::atoi(bits.c_str()), 24);
        }
    }
}

// A 24-bit or float sine peaking at 0.4 of the 16-bit output's last bit:
// rounded it would be all zeros, truncated all zeros and minus ones. Dithered,
// it is noise around the sine, never more than about a bit away from it and
// with no bias.
TEST(EngineBitDepth, LoweringTheDepthDithers) {
    struct Case {
        const char* name;
        const char* codec; // the source's
    };
    const Case cases[] = {
        {"s24_flac", "-c:a flac -sample_fmt s32"},
        {"f32_wav", "-c:a pcm_f32le"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = EngineScratchDir(std::string("dither_") + c.name);
        const std::string source =
            dir + "/quiet." +
            (std::string(c.codec).find("flac") != std::string::npos ? "flac" : "wav");
        // lavfi's sine peaks at 1/8; 0.0001 of it is 0.41 of a 16-bit step.
        ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 "
                              "-af volume=0.0001 " +
                                  std::string(c.codec),
                              source));
        const std::string out = EngineScratchDir(std::string("dither_") + c.name + "_out");
        AVConvert engine;
        RunBatch(engine, {BatchRow{source}}, NativeOutput("wav", 44100, 1), out);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        const std::vector<float> exact = DecodeFloat(source, 44100, 1);
        const std::vector<int16_t> dithered = DecodeS16(engine.m_outputPaths[0]);
        ASSERT_EQ(dithered.size(), exact.size());
        const auto nonZero =
            std::count_if(dithered.begin(), dithered.end(), [](int16_t s) { return s != 0; });
        EXPECT_GT(nonZero, static_cast<long>(dithered.size() / 4));
        double worst = 0;
        double sum = 0;
        double squares = 0;
        for (size_t i = 0; i < exact.size(); ++i) {
            const double error = dithered[i] - exact[i] * kFullScale16;
            worst = std::max(worst, std::abs(error));
            sum += error;
            squares += error * error;
        }
        const auto count = static_cast<double>(exact.size());
        EXPECT_LE(worst, 2.0);
        EXPECT_LT(std::sqrt(squares / count), 1.0);
        // Cutting the low bits off would pull every sample down by half a bit
        // on average.
        EXPECT_LT(std::abs(sum / count), 0.1);
    }
}

// A float source four times beyond full scale: every peak is held at the
// 16-bit limits with the sign it had.
TEST(EngineBitDepth, FloatBeyondFullScaleIsClippedNotWrapped) {
    const std::string dir = EngineScratchDir("clip_float");
    const std::string source = dir + "/loud.wav";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 "
                          "-af volume=32 -c:a pcm_f32le",
                          source));
    const std::string out = EngineScratchDir("clip_float_out");
    AVConvert engine;
    RunBatch(engine, {BatchRow{source}}, NativeOutput("wav", 44100, 1), out);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    const std::vector<float> loud = DecodeFloat(source, 44100, 1);
    const std::vector<int16_t> clipped = DecodeS16(engine.m_outputPaths[0]);
    ASSERT_EQ(clipped.size(), loud.size());
    ASSERT_GT(*std::max_element(loud.begin(), loud.end()), 3.5f);
    EXPECT_EQ(*std::max_element(clipped.begin(), clipped.end()), 32767);
    EXPECT_EQ(*std::min_element(clipped.begin(), clipped.end()), -32768);
    for (size_t i = 0; i < loud.size(); ++i) {
        if (loud[i] > 1.0f) {
            ASSERT_GE(clipped[i], 32760) << "sample " << i;
        } else if (loud[i] < -1.0f) {
            ASSERT_LE(clipped[i], -32760) << "sample " << i;
        }
    }
}

} // namespace
} // namespace veltrano::test
