// The tracks of an album image, converted to a format that keeps every
// sample, add up to the image: no sample lost or doubled at a boundary.
#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "tasks/batch_start.h"
#include "tasks/cue_tracks.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace veltrano::test {
namespace {

struct ImageCase {
    const char* image;  // file name of the image
    int sampleRate;     // 44100: a frame is 588 samples; 32000: 426 2/3
    const char* output; // extension of the outputs
};

// Boundaries on odd frames; the image ends inside a frame.
const char* const kSheet = "FILE \"%s\" WAVE\n"
                           "  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
                           "  TRACK 02 AUDIO\n    INDEX 00 00:01:20\n    INDEX 01 00:01:37\n"
                           "  TRACK 03 AUDIO\n    TITLE \"Third\"\n    INDEX 01 00:02:71\n";

std::string SheetFor(const std::string& image) {
    char text[512];
    std::snprintf(text, sizeof text, kSheet, image.c_str());
    return text;
}

// The first sample of a track, as a cue frame falls on the sample grid.
size_t BoundarySample(int64_t frames, int sampleRate) {
    return static_cast<size_t>((frames * sampleRate * 2 + 75) / 150); // nearest
}

TEST(CueTrackExactness, TracksAddUpToTheImageSampleForSample) {
    const ImageCase cases[] = {
        {"album.flac", 44100, "flac"},
        {"album.flac", 44100, "wav"},
        {"album.wav", 32000, "flac"},
        {"album.wav", 32000, "wav"},
    };
    for (const ImageCase& c : cases) {
        SCOPED_TRACE(std::string(c.image) + " to " + c.output);
        const std::string folder = EngineScratchDir("cue_exact");
        const std::string image = folder + "/" + c.image;
        ASSERT_TRUE(MakeMedia("-f lavfi -i anoisesrc=d=3.98765:r=" + std::to_string(c.sampleRate) +
                                  ":a=0.3:seed=5 -ac 2 -sample_fmt s16",
                              image));
        const std::vector<int16_t> whole = DecodeS16(image);
        WriteBytes(folder + "/album.cue", SheetFor(c.image));
        AVConvert engine;
        const CueAlbum album = LoadCueAlbum(engine, folder + "/album.cue");
        ASSERT_FALSE(album.Refused()) << album.error;
        ASSERT_EQ(album.tracks.size(), 3u);

        const std::string out = folder + "/out";
        std::filesystem::create_directory(out);
        OutputChoice output = CatalogueOutput(FindOutputFormatByExtension(c.output));
        PrepareBatch(engine, 3);
        engine.m_checkedCount = 3;
        for (int row = 0; row < 3; ++row) {
            FillCueTrackRow(engine, row, album.tracks[static_cast<size_t>(row)], out,
                            output.extension);
        }
        int codecId = 0;
        LookupEncoderCodec(output.encoder, codecId);
        SetOutputParameters(engine, codecId, output.bitRate, c.sampleRate, 2);
        ConvertBatchProc(&engine);

        std::vector<int16_t> joined;
        size_t boundary[4] = {0, BoundarySample(112, c.sampleRate) * 2,
                              BoundarySample(221, c.sampleRate) * 2, whole.size()};
        for (int row = 0; row < 3; ++row) {
            ASSERT_EQ(TaskStatusOf(engine, row), TaskCompleted) << row;
            const std::vector<int16_t> track = DecodeS16(engine.m_outputPaths[row]);
            EXPECT_EQ(track.size(), boundary[row + 1] - boundary[row]) << "track " << row + 1;
            joined.insert(joined.end(), track.begin(), track.end());
        }
        EXPECT_EQ(engine.m_outputPaths[0], out + "/01 - First." + std::string(c.output));
        EXPECT_EQ(engine.m_outputPaths[1], out + "/02 - Track 02." + std::string(c.output));
        if (std::string(c.output) == "flac") {
            const ProbedAudio first = ProbeAudio(engine.m_outputPaths[0]);
            EXPECT_EQ(first.Tag("title"), "First");
            EXPECT_EQ(first.Tag("track"), "1/3");
            EXPECT_EQ(ProbeAudio(engine.m_outputPaths[1]).Tag("title"), "");
        }
        ASSERT_EQ(joined.size(), whole.size());
        EXPECT_TRUE(joined == whole) << "the tracks' samples differ from the image's";
    }
}

} // namespace
} // namespace veltrano::test
