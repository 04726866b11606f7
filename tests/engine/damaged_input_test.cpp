// Damaged copies of every good fixture: the probe refuses them or a batch
// converts or fails each row; nothing crashes or hangs, and a failed row
// leaves no file.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <random>

namespace veltrano::test {
namespace {

const char* const kGoodFixtures[] = {"stereo44.wav", "surround48.flac", "mono8.wav",
                                     "tagged.ogg",   "video_sound.mp4", "video_silent.mp4",
                                     "two_audio.mkv"};

enum class Damage { Truncate, OverwriteRange, OverwriteScattered, FlipBytes };

struct DamageCase {
    const char* name;
    Damage kind;
    double from; // fraction of the file
    double to;
};

const DamageCase kDamageCases[] = {
    {"cut01", Damage::Truncate, 0.01, 0},
    {"cut10", Damage::Truncate, 0.10, 0},
    {"cut50", Damage::Truncate, 0.50, 0},
    {"cut90", Damage::Truncate, 0.90, 0},
    {"noise_middle", Damage::OverwriteRange, 0.45, 0.55},
    {"noise_header", Damage::OverwriteRange, 0.0, 0.02},
    {"noise_scattered", Damage::OverwriteScattered, 0.02, 1.0},
    {"flip_header", Damage::FlipBytes, 0.0, 0.02},
    {"flip_body", Damage::FlipBytes, 0.3, 0.7},
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The same bytes for the same fixture and damage on every run.
std::string Damaged(std::string bytes, const DamageCase& damage, unsigned seed) {
    std::mt19937 random(seed);
    const auto at = [&](double fraction) {
        return static_cast<size_t>(fraction * static_cast<double>(bytes.size()));
    };
    switch (damage.kind) {
    case Damage::Truncate:
        bytes.resize(at(damage.from));
        break;
    case Damage::OverwriteRange:
        // The header range keeps the first 12 bytes, so the container is still recognised.
        for (size_t i = std::max<size_t>(at(damage.from), 12); i < at(damage.to); ++i) {
            bytes[i] = static_cast<char>(random() & 0xff);
        }
        break;
    case Damage::OverwriteScattered:
        for (size_t i = at(damage.from); i < at(damage.to); i += 97 + random() % 400) {
            bytes[i] = static_cast<char>(random() & 0xff);
        }
        break;
    case Damage::FlipBytes:
        // Eight single bytes inverted: sizes, counts and flags go wild.
        for (int n = 0; n < 8 && at(damage.to) > at(damage.from); ++n) {
            const size_t i = at(damage.from) + random() % (at(damage.to) - at(damage.from));
            bytes[i] = static_cast<char>(~bytes[i]);
        }
        break;
    }
    return bytes;
}

std::string TestNameOf(const std::string& text) {
    std::string name;
    for (char c : text) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

// Writes every damaged copy of a fixture; returns the paths the probe accepts.
std::vector<std::string> DamagedCopiesThatProbe(const std::string& fixture,
                                                const std::string& folder) {
    const std::string original = ReadFile(FixturePath(fixture));
    std::vector<std::string> accepted;
    unsigned seed = 1;
    for (const DamageCase& damage : kDamageCases) {
        const std::string path = folder + "/" + damage.name + "_" + fixture;
        std::ofstream(path, std::ios::binary) << Damaged(original, damage, seed++);
        AVConvert engine;
        engine.m_probePath = path;
        const int result = ProbeMediaFile(engine);
        EXPECT_TRUE(result == ProbeOk || result == ProbeCannotOpen || result == ProbeNoStreamInfo ||
                    result == ProbeNoVideoDecoder || result == ProbeVideoDecoderFailed)
            << damage.name << ": " << result;
        if (result == ProbeOk) {
            accepted.push_back(path);
        }
    }
    return accepted;
}

void ExpectEachRowConvertedOrFailedCleanly(const std::vector<std::string>& sources,
                                           const OutputChoice& output, const std::string& out) {
    std::vector<BatchRow> rows;
    for (const std::string& source : sources) {
        rows.push_back(BatchRow{source});
    }
    AVConvert engine;
    RunBatch(engine, rows, output, out);
    EXPECT_EQ(LoadRelaxed(engine.m_currentTask), engine.m_taskCount);
    size_t completed = 0;
    for (size_t row = 0; row < rows.size(); ++row) {
        const uint8_t status = TaskStatusOf(engine, static_cast<int>(row));
        SCOPED_TRACE(rows[row].source);
        if (status == TaskCompleted) {
            ++completed;
            EXPECT_TRUE(ProbeAudio(engine.m_outputPaths[row]).ok) << engine.m_outputPaths[row];
        } else {
            EXPECT_EQ(status, TaskFailed);
            EXPECT_FALSE(FileExists(engine.m_outputPaths[row]));
        }
    }
    EXPECT_EQ(ListFolder(out).size(), completed);
}

class EngineDamagedInput : public testing::TestWithParam<const char*> {};

TEST_P(EngineDamagedInput, IsRefusedOrConvertedOrFailed) {
    const std::string fixture = GetParam();
    const std::string stem = TestNameOf(fixture);
    const std::string folder = EngineScratchDir("damaged_" + stem);
    const std::vector<std::string> sources = DamagedCopiesThatProbe(fixture, folder);
    ExpectEachRowConvertedOrFailedCleanly(sources,
                                          CatalogueOutput(FindOutputFormatByExtension("wav")),
                                          EngineScratchDir("damaged_" + stem + "_wav"));
    ExpectEachRowConvertedOrFailedCleanly(sources,
                                          CatalogueOutput(FindOutputFormatByExtension("mp3")),
                                          EngineScratchDir("damaged_" + stem + "_mp3"));
}

INSTANTIATE_TEST_SUITE_P(EngineDamaged, EngineDamagedInput, testing::ValuesIn(kGoodFixtures),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return TestNameOf(info.param);
                         });

} // namespace
} // namespace veltrano::test
