// A long row converted on two cores: its chunks, each encoded by an encoder
// of its own, join into one file that a one-core conversion could have
// written. Lossless outputs are the same bytes; lossy ones decode to the
// source's exact length and sound no worse around the joins.
#include "engine/convert_row.h"
#include "engine/split_encoding.h"
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/join_measure.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace veltrano::test {
namespace {

constexpr int kSourceRate = 44100;
constexpr int kSourceSeconds = 300;

// Pink noise on the left, a tone on the right: an encoder spends its bits
// unevenly on it, so a join that loses state shows. Each test makes its own,
// in a folder of its own: tests run side by side.
const std::string& LongSource() {
    static const std::string path = [] {
        const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::string file = EngineScratchDir("split_source_" + test) + "/long.flac";
        const std::string seconds = std::to_string(kSourceSeconds);
        const bool made =
            MakeMedia("-f lavfi -i anoisesrc=d=" + seconds +
                          ":c=pink:a=0.3:r=44100:seed=7 -f lavfi -i sine=f=523:d=" + seconds +
                          ":r=44100 -filter_complex amerge=inputs=2 "
                          "-sample_fmt s16 -c:a flac",
                      file);
        return made ? file : std::string();
    }();
    return path;
}

std::string Convert(const std::string& format, bool split, const std::string& name,
                    int* chunks = nullptr, int jobs = 2) {
    const std::string out = EngineScratchDir("split_" + format + "_" + name);
    AVConvert engine;
    engine.m_jobCount = jobs;
    engine.m_splitRows = split;
    const int64_t before = SplitChunksEncoded();
    RunBatch(engine, {BatchRow{LongSource()}}, CatalogueOutput(FindOutputFormatByName(format)),
             out);
    if (chunks) {
        *chunks = static_cast<int>(SplitChunksEncoded() - before);
    }
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    return engine.m_outputPaths[0];
}

struct LossyCase {
    const char* format;
    int rate;         // the output's
    int frameSamples; // the encoder's
};

const LossyCase kLossyCases[] = {
    {"mp3", 44100, 1152},
    {"opus", 48000, 960},
};

TEST(SplitEncoding, LossyJoinsSoundNoWorseThanOneEncoderAndKeepTheLength) {
    ASSERT_FALSE(LongSource().empty());
    for (const LossyCase& c : kLossyCases) {
        SCOPED_TRACE(c.format);
        int chunks = 0;
        const std::string one = Convert(c.format, false, "one");
        const std::string split = Convert(c.format, true, "split", &chunks);
        // Stereo frames of floats at most: too few bytes to shorten a chunk.
        const int64_t chunkSamples = SplitChunkSamples(c.rate, c.frameSamples, 2 * sizeof(float));
        const int64_t length = int64_t{kSourceSeconds} * c.rate;
        EXPECT_EQ(chunks, (length + chunkSamples - 1) / chunkSamples);

        const std::vector<float> source = DecodeFloat(LongSource(), c.rate, 2);
        const std::vector<float> oneSound = DecodeFloat(one, c.rate, 2);
        const std::vector<float> splitSound = DecodeFloat(split, c.rate, 2);
        EXPECT_EQ(static_cast<int64_t>(splitSound.size()), 2 * length);
        EXPECT_EQ(splitSound.size(), oneSound.size());

        const JoinExcess joins = MeasureJoins(source, oneSound, splitSound, 2, chunkSamples);
        EXPECT_EQ(joins.joins, chunks - 1);
        EXPECT_LE(joins.worstDb, 3.0) << "the block at sample " << joins.atSample;
    }
}

// Two ways decode on the row's thread; four also decode on the encoders'
// cores. Each way's encoder goes on from chunk to chunk.
TEST(SplitEncoding, LosslessChunksJoinIntoTheOneCoreFileByteForByte) {
    ASSERT_FALSE(LongSource().empty());
    const std::vector<int32_t> source = DecodeS32(LongSource());
    for (const char* format : {"flac", "alac"}) {
        const std::string one = Convert(format, false, "one");
        for (const int jobs : {2, kThreadedDecodeWays}) {
            SCOPED_TRACE(std::string(format) + " on " + std::to_string(jobs) + " ways");
            int chunks = 0;
            const std::string split =
                Convert(format, true, "split" + std::to_string(jobs), &chunks, jobs);
            EXPECT_GE(chunks, 3);
            // FLAC's frame numbers, CRCs, STREAMINFO's length, frame sizes and
            // MD5; ALAC's sample table and edit list: all of it.
            EXPECT_EQ(ReadBytes(split), ReadBytes(one));
            EXPECT_EQ(DecodeS32(split), source);
        }
    }
}

// Chunks end on encoder frames, and many channels shorten them so that the
// frames in flight stay small whatever the source.
TEST(SplitEncoding, ChunksAreWholeFramesOfAtMostEightMegabytes) {
    struct Case {
        int rate, frameSamples, bytesPerSample;
        int64_t samples;
    };
    const Case cases[] = {
        {44100, 1152, 8, 765 * 1152},  // stereo MP3: 19.98 s
        {48000, 960, 8, 1000 * 960},   // stereo Opus: 20 s exactly
        {44100, 4608, 4, 191 * 4608},  // 16-bit stereo FLAC
        {48000, 960, 32, 273 * 960},   // 7.1 floats: 5.5 s, under 8 MiB
        {192000, 4096, 48, 42 * 4096}, // 24-in-32-bit 5.1 at 192 kHz
    };
    for (const Case& c : cases) {
        const int64_t samples = SplitChunkSamples(c.rate, c.frameSamples, c.bytesPerSample);
        EXPECT_EQ(samples, c.samples) << c.rate << " Hz, " << c.bytesPerSample << " bytes";
        EXPECT_LE(samples * c.bytesPerSample, int64_t{8} << 20);
    }
}

// A row gets the cores no other row of the batch is using or will use.
TEST(SplitEncoding, ARowTakesTheCoresTheBatchLeavesIdle) {
    const struct {
        int jobs;
        bool split;
        int rowsLeft; // this row among them
        int othersRunning;
        int ways;
    } cases[] = {
        {2, true, 1, 0, 2}, // a batch of one file
        {2, true, 3, 0, 1}, // the first of three: the next row takes the other core
        {2, true, 1, 1, 1}, // the last row while another still runs
        {4, true, 1, 1, 3}, // the last row beside one other on four cores
        {4, true, 2, 0, 3}, // two rows left on four cores: two idle besides its own
        {16, true, 1, 0, 16}, {1, true, 1, 0, 1}, // -j 1 keeps to one core
        {2, false, 1, 0, 1},                      // --split off
    };
    for (const auto& c : cases) {
        AVConvert engine;
        engine.m_jobCount = c.jobs;
        engine.m_splitRows = c.split;
        EXPECT_EQ(RowSplitWays(engine, c.rowsLeft, c.othersRunning), c.ways)
            << c.jobs << " jobs, " << c.rowsLeft << " rows left, " << c.othersRunning << " running";
    }
}

TEST(SplitEncoding, OffWritesWhatOneCoreWrites) {
    ASSERT_FALSE(LongSource().empty());
    int chunks = 0;
    const std::string off = Convert("mp3", false, "off", &chunks);
    EXPECT_EQ(chunks, 0);
    const std::string out = EngineScratchDir("split_mp3_onejob");
    AVConvert engine; // one row at a time on one core: the conversion as it always was
    RunBatch(engine, {BatchRow{LongSource()}}, CatalogueOutput(FindOutputFormatByName("mp3")), out);
    EXPECT_EQ(ReadBytes(off), ReadBytes(engine.m_outputPaths[0]));
}

// The 36-bit sample count in a FLAC file's STREAMINFO.
int64_t StreamInfoSamples(const std::string& bytes) {
    constexpr size_t kCountAt = 8 + 13; // "fLaC", the block header, 13 bytes in
    if (bytes.size() < kCountAt + 5) {
        return -1;
    }
    int64_t count = static_cast<unsigned char>(bytes[kCountAt]) & 0x0F;
    for (size_t i = 1; i <= 4; ++i) {
        count = count * 256 + static_cast<unsigned char>(bytes[kCountAt + i]);
    }
    return count;
}

// The MD5 in a FLAC file's STREAMINFO, as md5sum prints one.
std::string StreamInfoMd5(const std::string& bytes) {
    constexpr size_t kMd5At = 8 + 18;
    if (bytes.size() < kMd5At + 16) {
        return "";
    }
    std::string hex;
    for (size_t i = kMd5At; i < kMd5At + 16; ++i) {
        static const char kDigits[] = "0123456789abcdef";
        const auto byte = static_cast<unsigned char>(bytes[i]);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

TEST(SplitEncoding, AStopPartWayLeavesAValidExactPrefix) {
    ASSERT_FALSE(LongSource().empty());
    const std::string out = EngineScratchDir("split_stop");
    AVConvert engine;
    engine.m_jobCount = 2;
    FillBatch(engine, {BatchRow{LongSource()}}, CatalogueOutput(FindOutputFormatByName("flac")),
              out);
    std::thread worker([&engine] { ConvertBatchProc(&engine); });
    while (engine.m_progress.load() < 30 && TaskStatusOf(engine, 0) != TaskCompleted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    engine.m_stopRequested.store(true);
    worker.join();
    ASSERT_NE(TaskStatusOf(engine, 0), TaskCompleted) << "the row ended before the stop";
    const std::string path = engine.m_outputPaths[0];
    ASSERT_TRUE(FileExists(path));

    const std::vector<int32_t> written = DecodeS32(path);
    const std::vector<int32_t> source = DecodeS32(LongSource());
    ASSERT_GT(written.size(), 0u);
    ASSERT_LT(written.size(), source.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), source.begin()));
    EXPECT_EQ(StreamInfoSamples(ReadBytes(path)), static_cast<int64_t>(written.size() / 2));
    EXPECT_EQ(StreamInfoMd5(ReadBytes(path)),
              RunCommand("ffmpeg -v error -i " + ShellQuote(path) + " -f s16le - | md5sum")
                  .substr(0, 32));
    // Every frame's CRCs hold, numbered on from the frame before.
    int exitCode = -1;
    const std::string complaints = RunCommand("ffmpeg -v error -err_detect crccheck -i " +
                                                  ShellQuote(path) + " -f null - 2>&1",
                                              &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(complaints, "");
}

} // namespace
} // namespace veltrano::test
