// A music library's files keep their cover picture and their tags in every
// output format that can hold them, checked with ffprobe and ffmpeg.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace veltrano::test {
namespace {

// The tags tests/fixtures/make_fixtures.sh gives the covered sources beyond
// the eight copied always, by ffprobe's names.
const std::map<std::string, std::string> kLibraryTags = {
    {"album_artist", "Test Album Artist"},
    {"disc", "1/2"},
    {"composer", "Test Composer"},
    {"performer", "Test Performer"},
    {"lyrics", "Test lyrics"},
    {"musicbrainz_trackid", "0f9d7a2e-1b5c-4c1e-9d3a-2b7e8f6a1c44"},
};

const std::vector<std::string> kEveryLibraryTag = {"album_artist", "disc",   "composer",
                                                   "performer",    "lyrics", "musicbrainz_trackid"};
// MP4's iTunes atoms have no place for the others.
const std::vector<std::string> kMp4LibraryTags = {"album_artist", "disc", "composer", "lyrics"};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The container's and the audio stream's tags, keys in lower case; the
// picture stream's own tags (its type, its description) are left out.
std::map<std::string, std::string> AudioTags(const std::string& path) {
    const std::string out =
        RunCommand("ffprobe -v error -select_streams a -show_entries format_tags:stream_tags " +
                   ShellQuote(path));
    std::map<std::string, std::string> tags;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (line.rfind("TAG:", 0) == 0 && eq != std::string::npos) {
            tags.emplace(Lower(line.substr(4, eq - 4)), line.substr(eq + 1));
        }
    }
    return tags;
}

// "audio,0" or "video,1" (attached picture) per stream, in stream order.
std::vector<std::string> StreamKinds(const std::string& path) {
    const std::string out = RunCommand(
        "ffprobe -v error -show_entries stream=codec_type:stream_disposition=attached_pic "
        "-of csv=p=0 " +
        ShellQuote(path));
    std::vector<std::string> kinds;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        // Side data (MP3's and FLAC's replay gain) ends the line with an empty field.
        while (!line.empty() && line.back() == ',') {
            line.pop_back();
        }
        kinds.push_back(line);
    }
    return kinds;
}

std::string Md5(const std::string& command) {
    const std::string out = RunCommand(command + " | md5sum");
    return out.substr(0, out.find(' '));
}

std::string FileMd5(const std::string& path) {
    return Md5("cat " + ShellQuote(path));
}

// The bytes of the first picture stream, as ffmpeg's demuxer hands them out.
std::string PictureMd5(const std::string& path) {
    return Md5("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map 0:v:0 -c copy -f data -");
}

std::string PictureType(const std::string& path) {
    const std::string out =
        RunCommand("ffprobe -v error -select_streams v:0 -show_entries stream_tags=comment "
                   "-of default=nw=1:nk=1 " +
                   ShellQuote(path));
    return out.substr(0, out.find('\n'));
}

struct CoverCase {
    const char* source;
    const char* cover; // the picture file the source was made with
    const char* extension;
    bool keepsPicture;
    bool knowsPictureType; // MP4's covr has no picture type
    std::vector<std::string> libraryTags;
};

const CoverCase kCoverCases[] = {
    {"covered.flac", "cover.png", "mp3", true, true, kEveryLibraryTag},
    {"covered.flac", "cover.png", "flac", true, true, kEveryLibraryTag},
    {"covered.flac", "cover.png", "m4a", true, false, kMp4LibraryTags},
    {"covered.flac", "cover.png", "ogg", true, true, kEveryLibraryTag},
    {"covered.mp3", "cover.jpg", "ogg", true, true, kEveryLibraryTag},
    {"covered.mp3", "cover.jpg", "m4a", true, false, kMp4LibraryTags},
    {"covered.flac", "cover.png", "opus", true, true, kEveryLibraryTag},
    {"covered.mp3", "cover.jpg", "opus", true, true, kEveryLibraryTag},
    {"covered.flac", "cover.png", "alac", true, false, kMp4LibraryTags},
    {"covered.mp3", "cover.jpg", "alac", true, false, kMp4LibraryTags},
    // Formats without pictures keep exactly their one audio stream.
    {"covered.mp3", "cover.jpg", "wav", false, false, {}},
    {"covered.flac", "cover.png", "aac", false, false, {}},
};

class EngineMusicLibrary : public testing::TestWithParam<CoverCase> {};

TEST_P(EngineMusicLibrary, KeepsCoverAndTags) {
    const CoverCase& c = GetParam();
    const std::string source = FixturePath(c.source);
    const std::string folder = EngineScratchDir(std::string("library_") + c.extension + "_" +
                                                std::string(c.source).substr(8));
    AVConvert engine;
    RunBatch(engine, {BatchRow{source}}, CatalogueOutput(FindOutputFormatByName(c.extension)),
             folder);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    const std::string output = engine.m_outputPaths[0];

    const ProbedAudio probed = ProbeAudio(output);
    ASSERT_TRUE(probed.ok) << output;
    EXPECT_EQ(probed.audioStreams, 1);
    if (!c.keepsPicture) {
        EXPECT_EQ(StreamKinds(output), (std::vector<std::string>{"audio,0"}));
        return;
    }
    EXPECT_EQ(StreamKinds(output), (std::vector<std::string>{"audio,0", "video,1"}));
    EXPECT_EQ(PictureMd5(output), FileMd5(FixturePath(c.cover)));
    if (c.knowsPictureType) {
        EXPECT_EQ(PictureType(output), "Cover (front)");
    }

    const std::map<std::string, std::string> tags = AudioTags(output);
    for (const std::string& key : c.libraryTags) {
        const auto found = tags.find(key);
        ASSERT_NE(found, tags.end()) << key;
        EXPECT_EQ(found->second, kLibraryTags.at(key)) << key;
    }
    // The eight tags of every format keep their values beside the others.
    EXPECT_EQ(tags.count("title") ? tags.at("title") : "", "Test Title");
    EXPECT_EQ(tags.count("artist") ? tags.at("artist") : "", "Test Artist");
    // Nothing of the source's own making comes along: not its encoder, and
    // not its ReplayGain, which measured the source rather than this output.
    EXPECT_NE(tags.count("encoder") ? tags.at("encoder") : "", "Lavc59.37");
    EXPECT_EQ(tags.count("replaygain_track_gain"), 0u);
}

std::string CoverCaseName(const testing::TestParamInfo<CoverCase>& info) {
    std::string name = std::string(info.param.source) + "_to_" + info.param.extension;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(EngineMusic, EngineMusicLibrary, testing::ValuesIn(kCoverCases),
                         CoverCaseName);

} // namespace
} // namespace veltrano::test
