// Sources with data after their last audio block (a tag, stray bytes) convert
// whole; a source damaged half-way fails with where the damage is, or is
// decoded around where its container lets the decoder find its feet again.
#include "engine/failure_reason.h"
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

namespace veltrano::test {
namespace {

namespace fs = std::filesystem;

// Bytes no demuxer takes for anything: a fixed pseudo-random run.
std::string Garbage(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string Padded(const std::string& text, size_t size) {
    std::string field = text;
    field.resize(size, '\0');
    return field;
}

// A 128-byte ID3 version 1 tag, as taggers append it to any file.
std::string Id3v1Tag() {
    return "TAG" + Padded("A title", 30) + Padded("An artist", 30) + Padded("An album", 30) +
           "2024" + Padded("A comment", 30) + std::string(1, '\x0c');
}

std::string LittleEndian32(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
    return bytes;
}

// An APE version 2 tag with a header and a footer, as WavPack and
// Monkey's Audio taggers append it.
std::string Apev2Tag() {
    std::string items;
    for (const auto& [key, value] :
         {std::pair<std::string, std::string>{"Title", "A title"}, {"Artist", "An artist"}}) {
        items += LittleEndian32(static_cast<uint32_t>(value.size())) + LittleEndian32(0) + key +
                 std::string(1, '\0') + value;
    }
    const auto size = static_cast<uint32_t>(items.size() + 32);
    const auto frame = [&](uint32_t flags) {
        return "APETAGEX" + LittleEndian32(2000) + LittleEndian32(size) + LittleEndian32(2) +
               LittleEndian32(flags) + std::string(8, '\0');
    };
    return frame(0xA0000000u) + items + frame(0x80000000u);
}

struct Container {
    const char* extension;
    const char* codec; // ffmpeg's encoder for the source
};

// Every input container ffmpeg can write.
const Container kContainers[] = {
    {"wav", "pcm_s16le"}, {"flac", "flac"},  {"mp3", "libmp3lame"}, {"ogg", "libvorbis"},
    {"m4a", "aac"},       {"wv", "wavpack"}, {"aiff", "pcm_s16be"}, {"au", "pcm_s16be"},
    {"ac3", "ac3"},       {"wma", "wmav2"},  {"mka", "flac"},       {"mp2", "mp2"},
};

std::string MakeSource(const std::string& dir, const Container& c) {
    const std::string path = dir + "/source." + c.extension;
    if (!FileExists(path)) {
        EXPECT_TRUE(MakeMedia(std::string("-f lavfi -i sine=frequency=440:sample_rate=44100:"
                                          "duration=3 -ac 2 -c:a ") +
                                  c.codec,
                              path));
    }
    return path;
}

OutputChoice WavOutput() {
    OutputChoice output = CatalogueOutput(FindOutputFormatByExtension("wav"));
    output.sampleRate = 44100;
    output.channels = 2;
    return output;
}

// Sample frames (per channel) the ffmpeg program decodes from a file.
size_t SampleFrames(const std::string& path) {
    return DecodeS16(path).size() / 2;
}

// Converts one source into its own folder; the row's status and failure text.
struct Converted {
    uint8_t status = TaskPending;
    std::string failure;
    std::string output;
};

Converted Convert(const std::string& source, const std::string& folder) {
    fs::create_directories(folder);
    AVConvert engine;
    RunBatch(engine, {{source}}, WavOutput(), folder);
    Converted result;
    result.status = TaskStatusOf(engine, 0);
    if (result.status == TaskFailed) {
        result.failure = TaskFailureText(engine, 0);
        EXPECT_TRUE(ListFolder(folder).empty());
    }
    result.output = engine.m_outputPaths[0];
    return result;
}

struct Trailer {
    const char* name;
    std::string (*bytes)();
};

const Trailer kTrailers[] = {
    {"garbage", [] { return Garbage(4000); }},
    {"id3v1", Id3v1Tag},
    {"apev2", Apev2Tag},
};

class TrailingData : public testing::TestWithParam<Container> {};

TEST_P(TrailingData, ConvertsTheWholeSound) {
    const Container& c = GetParam();
    const std::string dir = EngineScratchDir(std::string("trailing_") + c.extension);
    const std::string source = MakeSource(dir, c);
    const Converted clean = Convert(source, dir + "/clean");
    ASSERT_EQ(clean.status, TaskCompleted);
    const size_t whole = SampleFrames(clean.output);
    for (const Trailer& trailer : kTrailers) {
        SCOPED_TRACE(trailer.name);
        const std::string tailed = dir + "/" + trailer.name + "." + c.extension;
        WriteBytes(tailed, ReadBytes(source) + trailer.bytes());
        const Converted converted = Convert(tailed, dir + "/out_" + trailer.name);
        ASSERT_EQ(converted.status, TaskCompleted) << converted.failure;
        // Some containers have no end of their own, and FFmpeg's own program
        // decodes the trailing bytes as sound (an AU file read to its end,
        // half an MP3 or AC-3 frame); the conversion then holds what it holds.
        const size_t ffmpegFrames = SampleFrames(tailed);
        EXPECT_EQ(SampleFrames(converted.output),
                  ffmpegFrames == SampleFrames(source) ? whole : ffmpegFrames);
    }
}

// Bytes overwritten half-way: every container here lets its decoder find
// its feet again after them, as FFmpeg's own program does, and the
// conversion goes on without what was lost.
TEST_P(TrailingData, DamageHalfWayIsDecodedAround) {
    const Container& c = GetParam();
    const std::string dir = EngineScratchDir(std::string("damaged_") + c.extension);
    const std::string source = MakeSource(dir, c);
    const Converted clean = Convert(source, dir + "/clean");
    ASSERT_EQ(clean.status, TaskCompleted);
    std::string bytes = ReadBytes(source);
    const std::string garbage = Garbage(2000);
    bytes.replace(bytes.size() / 2, garbage.size(), garbage);
    const std::string damaged = dir + "/damaged." + c.extension;
    WriteBytes(damaged, bytes);
    const Converted converted = Convert(damaged, dir + "/out");
    ASSERT_EQ(converted.status, TaskCompleted) << converted.failure;
    const size_t frames = SampleFrames(converted.output);
    EXPECT_GT(frames, 0u);
    EXPECT_LE(frames, SampleFrames(clean.output));
}

INSTANTIATE_TEST_SUITE_P(Containers, TrailingData, testing::ValuesIn(kContainers),
                         [](const auto& info) { return std::string(info.param.extension); });

// A WavPack block whose header is overwritten stops the demuxer half-way:
// what follows cannot be found, and the row fails saying where.
TEST(DamagedSource, AStopHalfWayFailsTheRowWithWhereTheDamageIs) {
    const std::string dir = EngineScratchDir("damaged_wv_header");
    const std::string source = MakeSource(dir, {"wv", "wavpack"});
    std::string bytes = ReadBytes(source);
    // The fourth block starts at 1.5 s (the encoder's blocks hold half a second).
    size_t block = 0;
    for (int i = 0; i < 4; ++i) {
        block = bytes.find("wvpk", i == 0 ? 0 : block + 4);
        ASSERT_NE(block, std::string::npos);
    }
    bytes.replace(block, 4, "XXXX");
    const std::string damaged = dir + "/damaged.wv";
    WriteBytes(damaged, bytes);
    const Converted converted = Convert(damaged, dir + "/out");
    EXPECT_EQ(converted.status, TaskFailed);
    EXPECT_EQ(converted.failure, "the file is damaged at 00:00:01");
}

} // namespace
} // namespace veltrano::test
