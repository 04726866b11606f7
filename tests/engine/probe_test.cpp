// The probe's result codes and the facts it reads, against files whose facts
// the fixture script fixes.
#include "engine/av_convert.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace veltrano::test {
namespace {

int Probe(AVConvert& engine, const std::string& path) {
    engine.m_probePath = path;
    return ProbeMediaFile(engine);
}

// An AVI whose video fourcc no decoder knows, next to ordinary sound.
std::string MakeUnknownVideoCodecAvi(const std::string& folder) {
    const std::string path = folder + "/unknown_fourcc.avi";
    EXPECT_TRUE(MakeMedia("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                          "sine=duration=1 -c:v mpeg4 -tag:v QZQZ -strict -1 -c:a pcm_s16le",
                          path));
    return path;
}

TEST(EngineProbe, ReturnsResultCodes) {
    const std::string folder = EngineScratchDir("probe_codes");
    const std::pair<std::string, int> cases[] = {
        {FixturePath("stereo44.wav"), ProbeOk},
        {FixturePath("surround48.flac"), ProbeOk},
        {FixturePath("mono8.wav"), ProbeOk},
        {FixturePath("tagged.ogg"), ProbeOk},
        {FixturePath("video_sound.mp4"), ProbeOk},
        {FixturePath("video_silent.mp4"), ProbeOk},
        {FixturePath("two_audio.mkv"), ProbeOk},
        {FixturePath("text.txt"), ProbeCannotOpen},
        {FixturePath("empty.wav"), ProbeCannotOpen},
        {folder + "/no_such_file.wav", ProbeCannotOpen},
        {"", ProbeCannotOpen},
        {MakeUnknownVideoCodecAvi(folder), ProbeNoVideoDecoder},
    };
    for (const auto& [path, expected] : cases) {
        AVConvert engine;
        EXPECT_EQ(Probe(engine, path), expected) << path;
    }
}

TEST(EngineProbe, ReadsFactsOfStereoWavAndForgetsEarlierVideo) {
    AVConvert engine;
    ASSERT_EQ(Probe(engine, FixturePath("video_sound.mp4")), ProbeOk);
    ASSERT_EQ(Probe(engine, FixturePath("stereo44.wav")), ProbeOk);
    EXPECT_EQ(engine.m_streamCount, 1);
    EXPECT_EQ(engine.m_audioStream, 0);
    EXPECT_EQ(engine.m_videoStream, -1);
    EXPECT_EQ(engine.m_audioCodecId, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(engine.m_sampleRate, 44100);
    EXPECT_EQ(engine.m_channels, 2);
    EXPECT_EQ(engine.m_audioBitRate, 44100 * 2 * 16);
    EXPECT_EQ(engine.m_durationMicros, 5000000);
    EXPECT_EQ(engine.m_durationSeconds, 5);
    EXPECT_EQ(engine.m_videoWidth, 0);
    EXPECT_EQ(engine.m_videoHeight, 0);
    EXPECT_EQ(engine.m_videoCodecId, 0);
    EXPECT_EQ(engine.m_videoBitRate, 0);
}

TEST(EngineProbe, ReadsFactsOfVideoWithSound) {
    AVConvert engine;
    ASSERT_EQ(Probe(engine, FixturePath("video_sound.mp4")), ProbeOk);
    EXPECT_EQ(engine.m_streamCount, 2);
    EXPECT_EQ(engine.m_videoStream, 0);
    EXPECT_EQ(engine.m_audioStream, 1);
    EXPECT_EQ(engine.m_videoCodecId, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(engine.m_videoWidth, 160);
    EXPECT_EQ(engine.m_videoHeight, 120);
    EXPECT_EQ(engine.m_frameRate, 25.0);
    EXPECT_EQ(engine.m_frameRateNum, 25);
    EXPECT_EQ(engine.m_frameRateDen, 1);
    EXPECT_EQ(engine.m_audioCodecId, AV_CODEC_ID_AAC);
    EXPECT_EQ(engine.m_sampleRate, 44100);
    EXPECT_EQ(engine.m_channels, 2);
    EXPECT_EQ(engine.m_durationSeconds, 4);
}

TEST(EngineProbe, TakesTheLastAudioStream) {
    AVConvert engine;
    ASSERT_EQ(Probe(engine, FixturePath("two_audio.mkv")), ProbeOk);
    EXPECT_EQ(engine.m_streamCount, 2);
    EXPECT_EQ(engine.m_audioStream, 1);
    EXPECT_EQ(engine.m_videoStream, -1);
    EXPECT_EQ(engine.m_audioCodecId, AV_CODEC_ID_FLAC);
    EXPECT_EQ(engine.m_sampleRate, 22050);
    EXPECT_EQ(engine.m_channels, 1);
    EXPECT_EQ(engine.m_durationSeconds, 3);
}

// The frame rate is the whole quotient of the stream's rate; a rate above
// 1000 fps is read as a mis-stored NTSC rate over 1001.
TEST(EngineProbe, ReadsFrameRates) {
    struct RateCase {
        const char* rate;
        double frameRate;
        int num;
        int den;
    };
    const RateCase cases[] = {
        {"25", 25, 25, 1},
        {"30000/1001", 29, 30000, 1001},
        {"2000", 1, 2000, 1001},
    };
    const std::string folder = EngineScratchDir("probe_frame_rates");
    for (const RateCase& c : cases) {
        SCOPED_TRACE(c.rate);
        const std::string path = folder + "/rate" + std::to_string(c.num) + ".mp4";
        ASSERT_TRUE(MakeMedia(std::string("-f lavfi -i testsrc=size=32x32:rate=") + c.rate +
                                  ":duration=0.5 -c:v mpeg4",
                              path));
        AVConvert engine;
        ASSERT_EQ(Probe(engine, path), ProbeOk);
        EXPECT_EQ(engine.m_frameRate, c.frameRate);
        EXPECT_EQ(engine.m_frameRateNum, c.num);
        EXPECT_EQ(engine.m_frameRateDen, c.den);
        EXPECT_EQ(engine.m_audioStream, -1);
        EXPECT_EQ(engine.m_sampleRate, 0);
    }
}

// Matroska written to a pipe has no duration element.
TEST(EngineProbe, ReportsUnknownDurationAsNegative) {
    const std::string folder = EngineScratchDir("probe_no_duration");
    const std::string path = folder + "/streamed.mkv";
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -f lavfi -i "
                         "sine=frequency=440:sample_rate=44100:duration=2 -c:a flac -f matroska "
                         "- > " +
                         ShellQuote(path) + " && echo done"),
              "done\n");
    AVConvert engine;
    ASSERT_EQ(Probe(engine, path), ProbeOk);
    EXPECT_LT(engine.m_durationSeconds, 0);
    EXPECT_EQ(engine.m_sampleRate, 44100);
}

} // namespace
} // namespace veltrano::test
