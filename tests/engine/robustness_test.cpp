// What "Completed" promises: the whole sound, in a file that opens. Rows that
// would write no sound fail, any name the file system takes converts, every
// format keeps the source's last samples, and the window sees a row passed
// only together with its status.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace veltrano::test {
namespace {

namespace fs = std::filesystem;

OutputChoice Format(const char* extension) {
    return CatalogueOutput(FindOutputFormatByExtension(extension));
}

// A transport stream cut after its first packets: the container and its
// audio stream are there, not one decodable frame is.
std::string MakeCutTransportStream(const std::string& folder) {
    const std::string whole = folder + "/whole.ts";
    EXPECT_TRUE(
        MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=5 -c:a mp2", whole));
    const std::string cut = folder + "/cut.ts";
    fs::copy_file(whole, cut);
    fs::resize_file(cut, 188 * 3);
    return cut;
}

TEST(EngineRobustness, ARowThatWritesNoSoundFailsAndLeavesNoFile) {
    const std::string dir = EngineScratchDir("no_sound");
    const std::string cutStream = MakeCutTransportStream(dir);
    struct Case {
        const char* name;
        BatchRow row;
    };
    const Case cases[] = {
        {"stream cut after its first packets", {cutStream, true, 0, 5}},
        {"clip after the sound ends", {FixturePath("stereo44.wav"), true, 6, 8}},
    };
    for (const char* extension : {"mp3", "m4a", "ac3", "ogg", "wav"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(extension) + ": " + c.name);
            const std::string out = dir + "/" + extension + "_" + std::to_string(&c - cases);
            fs::create_directories(out);
            AVConvert engine;
            RunBatch(engine, {c.row, {FixturePath("mono8.wav")}}, Format(extension), out);
            EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
            EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
            EXPECT_EQ(ListFolder(out), std::vector<std::string>{std::string("mono8.") + extension});
        }
    }
}

TEST(EngineRobustness, AnEmptyClipAskedForOnPurposeStillCompletes) {
    const std::string out = EngineScratchDir("empty_clip_kept");
    AVConvert engine;
    RunBatch(engine, {{FixturePath("stereo44.wav"), true, 2, 2}}, Format("wav"), out);
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_EQ(ListFolder(out), std::vector<std::string>{"stereo44.wav"});
}

// Linux takes names of up to 255 bytes; the hidden work file must not need more.
TEST(EngineRobustness, OutputNamesUpToTheFileSystemsLimitConvert) {
    const std::string dir = EngineScratchDir("long_names");
    const std::string out = dir + "/out";
    fs::create_directories(out);
    std::vector<BatchRow> rows;
    std::vector<std::string> expected;
    for (const size_t length : {250u, 251u, 254u, 255u}) {
        const std::string stem(length - 4, static_cast<char>('a' + length % 26));
        fs::copy_file(FixturePath("mono8.wav"), dir + "/" + stem + ".wav");
        rows.push_back({dir + "/" + stem + ".wav"});
        expected.push_back(stem + ".mp3");
    }
    // Multi-byte letters count in bytes: 84 three-byte letters and ".mp3".
    std::string wide;
    for (int i = 0; i < 83; ++i) {
        wide += "\xe9\x9f\xb3"; // 音
    }
    fs::copy_file(FixturePath("mono8.wav"), dir + "/" + wide + "x.wav");
    rows.push_back({dir + "/" + wide + "x.wav"});
    expected.push_back(wide + "x.mp3");

    AVConvert engine;
    RunBatch(engine, rows, Format("mp3"), out);
    for (size_t row = 0; row < rows.size(); ++row) {
        EXPECT_EQ(TaskStatusOf(engine, static_cast<int>(row)), TaskCompleted) << row;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListFolder(out), expected);
}

// Decodes each format's output of `row` and compares its sample count with
// the source's (the clip's, when trimmed): an encoder's held-back last frame
// must reach the file.
void ExpectEveryFormatKeepsAllSamples(const std::string& name, const BatchRow& row,
                                      double seconds) {
    const std::string dir = EngineScratchDir(name);
    for (int format = 0; format < kOutputFormatCount; ++format) {
        const OutputChoice output = CatalogueOutput(format);
        SCOPED_TRACE(CatalogueExtension(format) + " " + output.encoder);
        const std::string out = dir + "/" + std::to_string(format);
        fs::create_directories(out);
        AVConvert engine;
        RunBatch(engine, {row}, output, out);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        // "Same as source" is what the output holds.
        const ProbedAudio probed = ProbeAudio(engine.m_outputPaths[0]);
        const int channels = output.channels != 0 ? output.channels : probed.channels;
        const int sampleRate = output.sampleRate != 0 ? output.sampleRate : probed.sampleRate;
        ASSERT_GT(channels, 0);
        const size_t decoded =
            DecodeS16(engine.m_outputPaths[0]).size() / static_cast<size_t>(channels);
        const auto wanted = static_cast<size_t>(seconds * sampleRate);
        EXPECT_GE(decoded, wanted);
        // Padding to a whole frame and the encoder's priming, no more.
        EXPECT_LE(decoded, wanted + static_cast<size_t>(0.1 * sampleRate));
    }
}

// Each test makes its own source: the tests run as separate processes at the
// same time, and a shared scratch folder would be emptied under the other.
std::string TwoSecondSource(const std::string& name) {
    const std::string made = EngineScratchDir(name + "_source") + "/two.wav";
    EXPECT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 "
                          "-ac 2 -c:a pcm_s16le",
                          made));
    return made;
}

TEST(EngineRobustness, EveryFormatKeepsTheSourcesLastSamples) {
    ExpectEveryFormatKeepsAllSamples("tail_whole", BatchRow{TwoSecondSource("tail_whole")}, 2.0);
}

TEST(EngineRobustness, EveryFormatKeepsTheClipsLastSamples) {
    ExpectEveryFormatKeepsAllSamples("tail_clip",
                                     BatchRow{TwoSecondSource("tail_clip"), true, 0.5, 1.5}, 1.0);
}

// The worker publishes the next row after the passed row's status; a reader
// that sees the row passed must see its status too.
TEST(EngineRobustness, ARowSeenPassedAlwaysHasItsStatus) {
    constexpr int kRows = 4000; // unchecked rows fail at once: a fast worker
    AVConvert engine;
    PrepareBatch(engine, kRows);
    std::atomic<bool> unmarked{false};
    std::thread reader([&] {
        int seen = 0;
        while (seen < kRows) {
            const int current = LoadCurrentTask(engine);
            for (int row = std::max(seen - 1, 0); row < current; ++row) {
                if (TaskStatusOf(engine, row) == TaskPending) {
                    unmarked = true;
                }
            }
            seen = std::max(seen, current);
        }
    });
    ConvertBatchProc(&engine);
    reader.join();
    EXPECT_FALSE(unmarked);
    EXPECT_EQ(LoadCurrentTask(engine), kRows);
}

} // namespace
} // namespace veltrano::test
