// Ogg Vorbis outputs end at their source's last sample, whatever its length:
// the last page's granule is the sample count, and FFmpeg's decoder gives
// back exactly that many samples, neither silence after them nor fewer.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <cstring>

namespace veltrano::test {
namespace {

// The granule position of a file's last Ogg page, -1 when there is none.
int64_t LastGranule(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    const size_t page = bytes.rfind("OggS");
    constexpr size_t kGranuleAt = 6;
    if (page == std::string::npos || page + kGranuleAt + 8 > bytes.size()) {
        return -1;
    }
    int64_t granule = 0;
    for (int i = 7; i >= 0; --i) { // little-endian
        granule = granule * 256 + static_cast<unsigned char>(bytes[page + kGranuleAt + i]);
    }
    return granule;
}

TEST(EngineExactLength, OggVorbisEndsAtTheLastRealSample) {
    // Lengths whose last page once fell short of the sound or ran past it,
    // from a stream of two packets to several pages.
    const int64_t lengths[] = {1, 64, 128, 300, 1000, 3001, 44101, 65537, 100003};
    const std::string dir = EngineScratchDir("ogg_lengths");
    const OutputChoice output = CatalogueOutput(FindOutputFormatByExtension("ogg"));
    for (const int64_t length : lengths) {
        SCOPED_TRACE(std::to_string(length) + " samples");
        const std::string source = dir + "/s" + std::to_string(length) + ".wav";
        ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100,atrim=end_sample=" +
                                  std::to_string(length) + " -ac 2 -c:a pcm_s16le",
                              source));
        const std::string out = EngineScratchDir("ogg_lengths_out");
        AVConvert engine;
        RunBatch(engine, {BatchRow{source}}, output, out);
        ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
        EXPECT_EQ(LastGranule(engine.m_outputPaths[0]), length);
        EXPECT_EQ(static_cast<int64_t>(DecodeS16(engine.m_outputPaths[0]).size()), 2 * length);
    }
}

} // namespace
} // namespace veltrano::test
