// Hostile inputs made here and now: nothing at all, noise and text under
// media names, a header that promises hours, 64 audio streams, and names with
// every awkward character. Each is refused (the probe fails), converts, or
// fails its row; none crashes or hangs, and nothing is left that ffprobe
// cannot read.
#include "engine/work_file.h"
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace veltrano::test {
namespace {

namespace fs = std::filesystem;

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xff);
    }
    return bytes;
}

enum class Outcome { Refused, Converted, Failed };

// Adds the file as Add would (refused when the probe fails or knows no
// duration) and converts an accepted one; checks what the folder then holds.
Outcome AddAndConvert(const std::string& source, const std::string& out) {
    AVConvert probe;
    probe.m_probePath = source;
    if (ProbeMediaFile(probe) != ProbeOk || probe.m_durationSeconds < 0) {
        return Outcome::Refused;
    }
    fs::create_directories(out);
    AVConvert engine;
    RunBatch(engine, {{source}}, CatalogueOutput(FindOutputFormatByExtension("wav")), out);
    const uint8_t status = TaskStatusOf(engine, 0);
    EXPECT_NE(status, TaskPending);
    for (const std::string& name : ListFolder(out)) {
        EXPECT_FALSE(IsWorkFileName(name)) << name;
        EXPECT_TRUE(ProbeAudio(out + "/" + name).ok) << name;
    }
    EXPECT_EQ(ListFolder(out).size(), status == TaskCompleted ? 1u : 0u);
    return status == TaskCompleted ? Outcome::Converted : Outcome::Failed;
}

TEST(EngineHostileInput, NothingNoiseAndTextUnderMediaNamesAreRefused) {
    const std::string dir = EngineScratchDir("hostile_junk");
    struct Case {
        const char* name;
        std::string bytes;
        bool refused; // noise may by chance hold a frame FFmpeg takes: any clean outcome
    };
    const Case cases[] = {
        {"empty.mp3", "", true},
        {"empty.wav", "", true},
        {"empty.flac", "", true},
        {"noise.mp3", RandomBytes(64 * 1024, 1), false},
        {"noise.m4a", RandomBytes(64 * 1024, 2), false},
        {"noise.flac", RandomBytes(64 * 1024, 3), false},
        {"noise.wav", RandomBytes(1024, 4), false},
        {"letter.mp3", "Dear user,\nthis is a plain text file and no song at all.\n", true},
        {"readme.ogg", std::string(20000, 'a'), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir + "/" + c.name;
        WriteBytes(source, c.bytes);
        const Outcome outcome = AddAndConvert(source, source + ".out");
        if (c.refused) {
            EXPECT_EQ(outcome, Outcome::Refused);
        }
    }
}

// A Matroska file whose header promises a hundred hours over five seconds of
// sound: the Duration element (ID 0x4489, an 8-byte float in milliseconds).
TEST(EngineHostileInput, ADeclaredDurationFarBeyondTheDataConvertsWhatIsThere) {
    const std::string dir = EngineScratchDir("hostile_duration");
    const std::string made = dir + "/made.mkv";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=5 "
                          "-c:a flac",
                          made));
    std::string bytes = ReadBytes(made);
    const size_t element = bytes.find("\x44\x89\x88");
    ASSERT_NE(element, std::string::npos);
    const double hundredHours = 100.0 * 3600 * 1000;
    uint64_t bits = 0;
    std::memcpy(&bits, &hundredHours, sizeof bits);
    for (int i = 0; i < 8; ++i) { // big-endian
        bytes[element + 3 + i] = static_cast<char>(bits >> (56 - 8 * i));
    }
    const std::string source = dir + "/promises_hours.mkv";
    WriteBytes(source, bytes);

    AVConvert probe;
    probe.m_probePath = source;
    ASSERT_EQ(ProbeMediaFile(probe), ProbeOk);
    EXPECT_GT(probe.m_durationSeconds, 3600);
    EXPECT_EQ(AddAndConvert(source, dir + "/out"), Outcome::Converted);
    EXPECT_NEAR(PlayedSeconds(dir + "/out/promises_hours.wav"), 5.0, 0.1);
}

TEST(EngineHostileInput, SixtyFourAudioStreamsConvertTheLastOne) {
    const std::string dir = EngineScratchDir("hostile_streams");
    std::string maps;
    for (int i = 0; i < 63; ++i) {
        maps += " -map 0:a";
    }
    const std::string source = dir + "/many.mkv";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 "
                          "-f lavfi -i sine=frequency=880:sample_rate=44100:duration=2" +
                              maps + " -map 1:a -c:a flac",
                          source));
    AVConvert probe;
    probe.m_probePath = source;
    ASSERT_EQ(ProbeMediaFile(probe), ProbeOk);
    EXPECT_EQ(probe.m_streamCount, 64);
    EXPECT_EQ(AddAndConvert(source, dir + "/out"), Outcome::Converted);
    EXPECT_NEAR(PlayedSeconds(dir + "/out/many.wav"), 2.0, 0.1);
}

TEST(EngineHostileInput, NamesWithAnyCharacterConvertUnderTheSameName) {
    const std::string dir = EngineScratchDir("hostile_names");
    const char* const names[] = {
        "with spaces and  two.wav",
        "quotes 'single' \"double\".wav",
        "hash #1 percent %d %s %n 100%.wav",
        "amp & semicolon; pipe | dollar $HOME `tick`.wav",
        "new\nline.wav",
        "\xe9\x9f\xb3\xe6\xa5\xbd \xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1 "
        "\xd0\x9f\xd0\xb5\xd1\x81\xd0\xbd\xd1\x8f.wav", // 音楽 Ωμέγα Песня
        "-starts with a dash.wav",
        "file:looks like a url.wav",
    };
    int index = 0;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string source = dir + "/" + name;
        fs::copy_file(FixturePath("mono8.wav"), source);
        const std::string out = dir + "/out_" + std::to_string(index++);
        ASSERT_EQ(AddAndConvert(source, out), Outcome::Converted);
        std::string stem(name);
        stem.resize(stem.size() - 4);
        EXPECT_EQ(ListFolder(out), std::vector<std::string>{stem + ".wav"});
    }
}

} // namespace
} // namespace veltrano::test
