// Early write-back of output files: it follows the written data in steps,
// never re-asks for what it already started, and leaves the written sound
// exactly as it was.
#include "engine/audio_transcoder.h"
#include "engine/media_input.h"
#include "engine/work_file.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace veltrano::test {
namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

// A file descriptor closed with the test.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value) : fd(value) {}
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

void AppendBytes(int fd, int64_t bytes) {
    const std::vector<char> block(kMiB, 'x');
    for (int64_t left = bytes; left > 0; left -= kMiB) {
        const auto size = static_cast<size_t>(std::min(left, kMiB));
        ASSERT_EQ(::write(fd, block.data(), size), static_cast<ssize_t>(size));
    }
}

TEST(EngineWriteBack, FollowsTheWrittenDataInSteps) {
    const std::string folder = EngineScratchDir("write_back_steps");
    Descriptor file(::open((folder + "/grows").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    ASSERT_GE(file.fd, 0);
    WriteBack writeBack{file.fd};
    struct Step {
        int64_t written;
        int64_t startedAfter;
    };
    // Small growth waits for a whole step; a step starts everything new.
    const Step steps[] = {
        {kMiB, 0},
        {3 * kMiB, 0},
        {5 * kMiB, 5 * kMiB},
        {6 * kMiB, 5 * kMiB},
        {9 * kMiB + 12345, 9 * kMiB + 12345},
    };
    int64_t inFile = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.written);
        AppendBytes(file.fd, step.written - inFile);
        inFile = step.written;
        EXPECT_EQ(StartWriteBack(writeBack, step.written), 0);
        EXPECT_EQ(writeBack.started, step.startedAfter);
    }
}

TEST(EngineWriteBack, DoesNothingWithoutAFileAndGivesUpOnAPipe) {
    WriteBack none;
    EXPECT_EQ(StartWriteBack(none, 100 * kMiB), 0);
    EXPECT_EQ(none.started, 0);

    // A pipe cannot be written back: the error is told once per step, not
    // asked again for every packet after it.
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(ends), 0);
    Descriptor reader(ends[0]);
    Descriptor writer(ends[1]);
    WriteBack pipe{writer.fd};
    EXPECT_LT(StartWriteBack(pipe, 8 * kMiB), 0);
    EXPECT_EQ(pipe.started, 8 * kMiB);
    EXPECT_EQ(StartWriteBack(pipe, 9 * kMiB), 0);
}

// Converts `source` to 16-bit WAV through the transcoder, with write-back on
// the output file. Returns how far the write-back got.
int64_t ConvertWithWriteBack(const std::string& source, const std::string& target) {
    InputFormatPtr input;
    EXPECT_EQ(OpenMediaInput(source, input), ProbeOk);
    if (!input) {
        return -1;
    }
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    EXPECT_GE(audio, 0);
    CodecContextPtr decoder;
    EXPECT_EQ(OpenStreamDecoder(input->streams[audio], decoder), 0);

    AVFormatContext* ctx = nullptr;
    EXPECT_GE(avformat_alloc_output_context2(&ctx, nullptr, nullptr, target.c_str()), 0);
    OutputFormatPtr output(ctx);
    AudioTranscoder t;
    const OutputAudioParams params{AV_CODEC_ID_PCM_S16LE, 0, 44100, 2};
    EXPECT_EQ(SetupAudioTranscoder(t, ctx, decoder.get(), params, ClipWindow{}), 0);
    EXPECT_GE(avio_open(&ctx->pb, target.c_str(), AVIO_FLAG_WRITE), 0);
    Descriptor sameFile(::open(target.c_str(), O_WRONLY));
    t.writeBack.fd = sameFile.fd;
    EXPECT_GE(avformat_write_header(ctx, nullptr), 0);

    PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == audio) {
            EXPECT_EQ(TranscodePacket(t, packet.get()), 0);
        }
        av_packet_unref(packet.get());
    }
    EXPECT_EQ(FinishAudioTranscoder(t, true), 0);
    EXPECT_EQ(av_write_trailer(ctx), 0);
    EXPECT_EQ(avio_closep(&ctx->pb), 0);
    return t.writeBack.started;
}

TEST(EngineWriteBack, KeepsEverySampleOfALosslessConversion) {
    const std::string folder = EngineScratchDir("write_back_samples");
    const std::string source = folder + "/noise.flac";
    // A minute of 16-bit stereo is about 10 MiB of WAV: several steps.
    ASSERT_TRUE(
        MakeMedia("-f lavfi -i anoisesrc=d=60:r=44100:a=0.5:seed=7 -ac 2 -sample_fmt s16", source));
    const std::string target = folder + "/noise.wav";
    const int64_t started = ConvertWithWriteBack(source, target);

    EXPECT_GE(started, 8 * kMiB);
    EXPECT_LE(started, FileSize(target));
    const std::vector<int16_t> expected = DecodeS16(source);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(DecodeS16(target) == expected);
}

} // namespace
} // namespace veltrano::test
