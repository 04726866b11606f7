// What "Completed" promises: the whole sound, in a file that opens. Rows that
// would write no sound fail, any name the file system takes converts, every
// format keeps the source's last samples, and the window sees a row passed
// only together with its status.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
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

// How exactly a format's file says the length of its sound, as FFmpeg's
// decoder reads it.
enum class LengthRule {
    Exact,    // the container counts the samples, or says where the sound ends
    EditList, // the edit list is exact; FFmpeg 5.1 reads its start, not its end
    Bounded,  // nothing says it: longer by at most the priming and one frame
};

struct FormatLength {
    const char* extension;
    LengthRule rule;
    int slack; // samples the decoded sound may run past the source's
};

// The slack is FFmpeg's encoder's priming plus its frame; for M4A only the
// last frame's rest (the edit list cuts the priming).
constexpr FormatLength kFormatLengths[] = {
    {"aac", LengthRule::Bounded, 1024 + 1024},
    {"ac3", LengthRule::Bounded, 256 + 1536},
    {"aiff", LengthRule::Exact, 0},
    {"au", LengthRule::Exact, 0},
    {"m4a", LengthRule::EditList, 1024},
    {"mp2", LengthRule::Bounded, 481 + 1152},
    {"mp3", LengthRule::Exact, 0},
    {"ogg", LengthRule::Exact, 0},
    {"opus", LengthRule::Exact, 0},
    {"ra", LengthRule::Bounded, 256 + 1536},
    {"wav", LengthRule::Exact, 0},
    {"wma", LengthRule::Bounded, 2048 + 2048},
    {"flac", LengthRule::Exact, 0},
};

const FormatLength* FindFormatLength(const std::string& extension) {
    for (const FormatLength& format : kFormatLengths) {
        if (extension == format.extension) {
            return &format;
        }
    }
    return nullptr;
}

// The stream's length in its own time base as ffprobe reads it from the
// container (an MP4's edit list).
int64_t ProbedDurationTs(const std::string& path) {
    const std::string text =
        RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=duration_ts -of "
                   "default=nw=1:nk=1 " +
                   ShellQuote(path));
    return std::atoll(text.c_str());
}

constexpr int kSourceRate = 44100;
// A source length that is no whole number of any encoder's frames.
constexpr int64_t kSourceSamples = 2 * kSourceRate + 137;

// The source's samples at the output's rate, rounded to the nearest.
int64_t AtRate(int64_t samples, int rate) {
    return (samples * rate + kSourceRate / 2) / kSourceRate;
}

// The sound reaches the last wanted sample: its last 10 ms are about as loud
// as the whole, not silence standing in for them.
void ExpectSoundUpTo(const std::vector<float>& decoded, int64_t wanted, int channels, int rate) {
    const auto tail = static_cast<size_t>(rate / 100 * channels);
    const auto end = static_cast<size_t>(wanted * channels);
    ASSERT_GE(decoded.size(), end);
    const std::vector<float> whole(decoded.begin(), decoded.begin() + static_cast<ptrdiff_t>(end));
    const std::vector<float> last(decoded.begin() + static_cast<ptrdiff_t>(end - tail),
                                  decoded.begin() + static_cast<ptrdiff_t>(end));
    EXPECT_GT(Rms(last), 0.5 * Rms(whole));
}

// Decodes each format's output of `row` with FFmpeg and compares its sample
// count with the source's (the clip's, when trimmed) at the output's rate:
// exact where the container can say the length, else never shorter and no
// longer than the encoder's priming and one frame.
void ExpectEveryFormatKeepsAllSamples(const std::string& name, const BatchRow& row,
                                      int64_t sourceSamples) {
    const std::string dir = EngineScratchDir(name);
    for (int format = 0; format < kOutputFormatCount; ++format) {
        const OutputChoice output = CatalogueOutput(format);
        SCOPED_TRACE(CatalogueExtension(format) + " " + output.encoder);
        const FormatLength* rule = FindFormatLength(CatalogueExtension(format));
        ASSERT_NE(rule, nullptr) << "no length rule for the format";
        const std::string out = dir + "/" + std::to_string(format);
        fs::create_directories(out);
        AVConvert engine;
        RunBatch(engine, {row}, output, out);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        const std::string& written = engine.m_outputPaths[0];
        // "Same as source" is what the output holds.
        const ProbedAudio probed = ProbeAudio(written);
        const int channels = output.channels != 0 ? output.channels : probed.channels;
        const int sampleRate = output.sampleRate != 0 ? output.sampleRate : probed.sampleRate;
        ASSERT_GT(channels, 0);
        const std::vector<float> decoded = DecodeFloat(written, sampleRate, channels);
        const auto samples = static_cast<int64_t>(decoded.size()) / channels;
        const int64_t wanted = AtRate(sourceSamples, sampleRate);
        switch (rule->rule) {
        case LengthRule::Exact:
            EXPECT_EQ(samples, wanted);
            break;
        case LengthRule::EditList:
            EXPECT_EQ(ProbedDurationTs(written), wanted);
            [[fallthrough]];
        case LengthRule::Bounded:
            EXPECT_GE(samples, wanted);
            EXPECT_LE(samples, wanted + rule->slack);
            break;
        }
        ExpectSoundUpTo(decoded, wanted, channels, sampleRate);
    }
}

// Each test makes its own source: the tests run as separate processes at the
// same time, and a shared scratch folder would be emptied under the other.
std::string OddLengthSource(const std::string& name) {
    const std::string made = EngineScratchDir(name + "_source") + "/odd.wav";
    EXPECT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100,atrim=end_sample=" +
                              std::to_string(kSourceSamples) + " -ac 2 -c:a pcm_s16le",
                          made));
    return made;
}

TEST(EngineRobustness, EveryFormatKeepsTheSourcesLastSamples) {
    ExpectEveryFormatKeepsAllSamples("tail_whole", BatchRow{OddLengthSource("tail_whole")},
                                     kSourceSamples);
}

// A clip at times that fall between samples: its start and its length are
// each rounded to the nearest sample.
TEST(EngineRobustness, EveryFormatKeepsTheClipsLastSamples) {
    constexpr double kStart = 0.3731;
    constexpr double kEnd = 1.6190;
    const auto clipSamples = static_cast<int64_t>(std::llround((kEnd - kStart) * kSourceRate));
    ExpectEveryFormatKeepsAllSamples(
        "tail_clip", BatchRow{OddLengthSource("tail_clip"), true, kStart, kEnd}, clipSamples);
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
