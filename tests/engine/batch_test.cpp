// Batch behaviour: trimming, naming, stopping, failing rows and empty clips.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace veltrano::test {
namespace {

int CatalogueIndex(const std::string& extension) {
    return FindOutputFormatByExtension(extension);
}

// The output at the source's own rate and channel count.
OutputChoice NativeOutput(const std::string& extension, int sampleRate, int channels) {
    OutputChoice output = CatalogueOutput(CatalogueIndex(extension));
    output.sampleRate = sampleRate;
    output.channels = channels;
    return output;
}

std::vector<int16_t> Slice(const std::vector<int16_t>& samples, double start, double end,
                           int sampleRate, int channels) {
    const auto first = static_cast<size_t>(start * sampleRate) * channels;
    const auto last = std::min(samples.size(), static_cast<size_t>(end * sampleRate) * channels);
    return std::vector<int16_t>(samples.begin() + static_cast<ptrdiff_t>(first),
                                samples.begin() + static_cast<ptrdiff_t>(last));
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Samples before the clip start are dropped and the output ends at the clip
// length, to the sample; an end at the source's length means "to the end".
TEST(EngineBatch, TrimsLosslessOutputsToTheSample) {
    struct TrimCase {
        const char* fixture;
        const char* extension;
        int sampleRate;
        int channels;
        double start;
        double end;
        // The source is deeper than the output: dithered, each sample is
        // within two steps of the source's rather than equal to its cut-off.
        bool dithered = false;
    };
    const TrimCase cases[] = {
        {"stereo44.wav", "wav", 44100, 2, 1, 3},  {"stereo44.wav", "flac", 44100, 2, 0, 2},
        {"stereo44.wav", "aiff", 44100, 2, 3, 5}, {"surround48.flac", "flac", 48000, 6, 2, 4},
        {"mono8.wav", "au", 8000, 1, 1, 2},       {"surround48.flac", "wav", 48000, 6, 4, 5, true},
    };
    for (const TrimCase& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " to " + c.extension + " from " +
                     std::to_string(c.start) + " to " + std::to_string(c.end));
        const std::string folder = EngineScratchDir("trim_lossless");
        AVConvert engine;
        BatchRow row{FixturePath(c.fixture), true, c.start, c.end};
        RunBatch(engine, {row}, NativeOutput(c.extension, c.sampleRate, c.channels), folder);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        const std::vector<int16_t> expected =
            Slice(DecodeS16(FixturePath(c.fixture)), c.start, c.end, c.sampleRate, c.channels);
        const std::vector<int16_t> converted = DecodeS16(engine.m_outputPaths[0]);
        EXPECT_EQ(converted.size(), expected.size());
        if (c.dithered) {
            EXPECT_LE(LargestDifference(converted, expected), 2);
        } else {
            EXPECT_TRUE(converted == expected);
        }
    }
}

// Lossy outputs of a clip last the clip (give or take an encoder frame) and
// hold the clip's part of the source.
TEST(EngineBatch, TrimsLossyOutputsToTheClip) {
    const std::string source = FixturePath("surround48.flac");
    for (const char* extension : {"mp3", "m4a", "ogg", "ac3", "wma"}) {
        SCOPED_TRACE(extension);
        const std::string folder = EngineScratchDir("trim_lossy");
        const OutputChoice output = CatalogueOutput(CatalogueIndex(extension));
        AVConvert engine;
        RunBatch(engine, {BatchRow{source, true, 1, 3}}, output, folder);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        const std::vector<float> whole = DecodeFloat(source, output.sampleRate, output.channels);
        const size_t frame = static_cast<size_t>(output.channels);
        const std::vector<float> clip(
            whole.begin() + static_cast<ptrdiff_t>(1 * output.sampleRate * frame),
            whole.begin() + static_cast<ptrdiff_t>(3 * output.sampleRate * frame));
        const std::vector<float> converted =
            DecodeFloat(engine.m_outputPaths[0], output.sampleRate, output.channels);
        const double seconds =
            static_cast<double>(converted.size()) / static_cast<double>(frame * output.sampleRate);
        // Never shorter than the clip; longer by the padding of the last
        // frame, and for WMA the frame that brings out the last one.
        EXPECT_GE(seconds, 2.0);
        EXPECT_LE(seconds, 2.0 + (std::string(extension) == "wma" ? 0.1 : 0.05));
        EXPECT_GT(MiddleCorrelation(clip, converted, output.channels, output.sampleRate), 0.6);
    }
}

// The task list ends an untrimmed row at the probed whole seconds; the
// output still reaches the source's real end.
TEST(EngineBatch, ConvertsUntrimmedRowToTheRealEnd) {
    const std::string folder = EngineScratchDir("real_end");
    const std::string source = folder + "/two_and_a_half.wav";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2.5 "
                          "-c:a pcm_s16le",
                          source));
    const std::string out = EngineScratchDir("real_end_out");
    AVConvert engine;
    RunBatch(engine, {BatchRow{source}}, NativeOutput("wav", 44100, 1), out);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_EQ(engine.m_clipEnd[0], 2.0);
    EXPECT_TRUE(DecodeS16(engine.m_outputPaths[0]) == DecodeS16(source));
}

// With song.mp3 and song(0).mp3 present, two rows both named "song" write
// song(1).mp3 and song(2).mp3 and say so; the old files stay as they were.
TEST(EngineBatch, NeverOverwritesExistingOutputs) {
    const std::string sources = EngineScratchDir("naming_sources");
    const std::string out = EngineScratchDir("naming_out");
    std::filesystem::create_directories(sources + "/a");
    std::filesystem::create_directories(sources + "/b");
    std::filesystem::copy_file(FixturePath("stereo44.wav"), sources + "/a/song.wav");
    std::filesystem::copy_file(FixturePath("tagged.ogg"), sources + "/b/song.ogg");
    WriteText(out + "/song.mp3", "first");
    WriteText(out + "/song(0).mp3", "second");

    AVConvert engine;
    RunBatch(engine, {BatchRow{sources + "/a/song.wav"}, BatchRow{sources + "/b/song.ogg"}},
             CatalogueOutput(CatalogueIndex("mp3")), out);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    ASSERT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
    EXPECT_EQ(engine.m_outputPaths[0], out + "/song(1).mp3");
    EXPECT_EQ(engine.m_outputPaths[1], out + "/song(2).mp3");
    EXPECT_EQ(ReadText(out + "/song.mp3"), "first");
    EXPECT_EQ(ReadText(out + "/song(0).mp3"), "second");
    EXPECT_NEAR(PlayedSeconds(out + "/song(1).mp3"), 5.0, 0.05);
    EXPECT_NEAR(PlayedSeconds(out + "/song(2).mp3"), 3.0, 0.05);
    EXPECT_EQ(ListFolder(out).size(), 4u);
}

// Waits until the worker is converting `row` (progress strictly between 0 and
// 100, so not the finished previous row's 100). False if it got past it.
bool WaitUntilRowUnderWay(const AVConvert& engine, int row) {
    for (;;) {
        const int current = LoadRelaxed(engine.m_currentTask);
        const int progress = LoadRelaxed(engine.m_progress);
        if (current == row && progress > 0 && progress < 100) {
            return true;
        }
        if (current > row) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// A stop during a row ends that row's file as a valid shorter file, leaves
// the row pending and starts no later row; m_currentTask is left on the first
// row not started, which is m_taskCount when the stop came in the last row.
TEST(EngineBatch, StopFinishesTheCurrentRowAndStartsNoOther) {
    const std::string sources = EngineScratchDir("stop_sources");
    const std::string longSource = sources + "/long.wav";
    constexpr double kLongSeconds = 120;
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=300:sample_rate=8000:duration=" +
                              std::to_string(kLongSeconds) + " -c:a pcm_s16le",
                          longSource));
    const std::string shortSources[] = {FixturePath("mono8.wav"), FixturePath("tagged.ogg"),
                                        FixturePath("stereo44.wav"), FixturePath("two_audio.mkv")};
    for (const int stopRow : {2, 4}) {
        SCOPED_TRACE("stop during row " + std::to_string(stopRow));
        std::vector<BatchRow> rows;
        for (const std::string& source : shortSources) {
            rows.push_back(BatchRow{source});
        }
        rows.insert(rows.begin() + stopRow, BatchRow{longSource});
        const std::string out = EngineScratchDir("stop_out_" + std::to_string(stopRow));
        AVConvert engine;
        FillBatch(engine, rows, CatalogueOutput(CatalogueIndex("mp3")), out);
        std::thread worker(ConvertBatchProc, &engine);
        const bool caught = WaitUntilRowUnderWay(engine, stopRow);
        RequestStop(engine);
        worker.join();
        ASSERT_TRUE(caught) << "the long row ended before the stop could be requested";

        EXPECT_EQ(LoadRelaxed(engine.m_currentTask), stopRow + 1);
        for (int row = 0; row < 5; ++row) {
            EXPECT_EQ(TaskStatusOf(engine, row), row < stopRow ? TaskCompleted : TaskPending)
                << "row " << row;
        }
        // Only the finished rows and the interrupted one have files.
        EXPECT_EQ(ListFolder(out).size(), static_cast<size_t>(stopRow + 1));
        const double stopped = PlayedSeconds(out + "/long.mp3");
        EXPECT_GT(stopped, 0.0);
        EXPECT_LT(stopped, kLongSeconds - 1);
    }
}

// Unchecked rows, sources without sound and sources that cannot be read
// fail, and no file is left behind for them; the good row still converts.
TEST(EngineBatch, FailsUnusableRowsWithoutLeavingFiles) {
    const std::string folder = EngineScratchDir("failing_rows");
    const std::string unknownVideo = folder + "/unknown_fourcc.avi";
    ASSERT_TRUE(MakeMedia("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                          "sine=duration=1 -c:v mpeg4 -tag:v QZQZ -strict -1 -c:a pcm_s16le",
                          unknownVideo));
    BatchRow unchecked{FixturePath("stereo44.wav")};
    unchecked.checked = false;
    const std::vector<BatchRow> rows = {
        unchecked,
        BatchRow{FixturePath("video_silent.mp4")},
        BatchRow{FixturePath("text.txt")},
        BatchRow{FixturePath("empty.wav")},
        BatchRow{folder + "/vanished.wav"},
        BatchRow{unknownVideo},
        BatchRow{FixturePath("mono8.wav")},
    };
    const std::string out = EngineScratchDir("failing_rows_out");
    AVConvert engine;
    RunBatch(engine, rows, CatalogueOutput(CatalogueIndex("m4a")), out);
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(TaskStatusOf(engine, row), TaskFailed) << rows[row].source;
    }
    EXPECT_EQ(TaskStatusOf(engine, 6), TaskCompleted);
    EXPECT_EQ(LoadRelaxed(engine.m_currentTask), 7);
    EXPECT_EQ(LoadRelaxed(engine.m_progress), 100);
    EXPECT_EQ(ListFolder(out), std::vector<std::string>{"mono8.m4a"});
}

// Output parameters an encoder cannot take fail the row before any file exists.
TEST(EngineBatch, FailsParametersTheEncoderRefusesWithoutLeavingFiles) {
    const OutputChoice cases[] = {
        {".mp3", "MP3", 128000, 96000, 2},
        {".ac3", "AC3", 192000, 48000, 8},
        {".mp3", "NO_SUCH_ENCODER", 128000, 44100, 2},
        {".ogg", "VORBIS", 128000, 44100, -1},
    };
    for (const OutputChoice& output : cases) {
        SCOPED_TRACE(output.encoder + " " + std::to_string(output.sampleRate) + " Hz " +
                     std::to_string(output.channels) + " channels");
        const std::string out = EngineScratchDir("refused_parameters");
        AVConvert engine;
        RunBatch(engine, {BatchRow{FixturePath("stereo44.wav")}}, output, out);
        EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
        EXPECT_TRUE(ListFolder(out).empty());
    }
}

// A clip of length 0 completes the row with a file that holds no sound.
// Where the container has a header of its own, ffprobe must read that file;
// raw streams (aac, mp2, mp3) and an Ogg stream without a page of sound
// cannot describe an empty stream.
TEST(EngineBatch, ZeroLengthClipGivesEmptyFile) {
    const std::vector<std::string> describesEmptyStream = {"ac3", "aiff", "au",  "m4a",
                                                           "ra",  "wav",  "wma", "flac"};
    for (int index = 0; index < kOutputFormatCount; ++index) {
        const std::string extension = CatalogueExtension(index);
        SCOPED_TRACE(extension);
        const std::string out = EngineScratchDir("zero_length");
        AVConvert engine;
        RunBatch(engine, {BatchRow{FixturePath("stereo44.wav"), true, 1, 1}},
                 CatalogueOutput(index), out);
        EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        EXPECT_EQ(LoadRelaxed(engine.m_progress), 100);
        ASSERT_TRUE(FileExists(engine.m_outputPaths[0]));
        EXPECT_TRUE(DecodeS16(engine.m_outputPaths[0]).empty());
        if (std::find(describesEmptyStream.begin(), describesEmptyStream.end(), extension) !=
            describesEmptyStream.end()) {
            int code = 0;
            RunCommand("ffprobe -v error " + ShellQuote(engine.m_outputPaths[0]) + " 2>&1", &code);
            EXPECT_EQ(code, 0);
        }
    }
}

} // namespace
} // namespace veltrano::test
