// veltrano-convert --replaygain: the tags of every format that holds them
// agree with FFmpeg's own EBU R128 measurement of each output, an album's
// files share its values, and tracks without a loudness get none and say why.
#include "cli_process.h"
#include "tests/support/ffmpeg_loudness.h"
#include "tests/support/media_check.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

// FFmpeg's ebur128 filter, independent of the converter's meter: the
// integrated loudness of the files played one after another.
double FfmpegIntegratedLoudness(const std::vector<std::string>& paths) {
    return MeasureWithFfmpeg(paths).integrated;
}

// "-6.52 dB" -> -6.52; Opus's Q7.8 "-1669" -> -6.52 relative to -18 LUFS.
double GainOf(const std::string& text, bool r128) {
    if (text.empty()) {
        return NAN;
    }
    if (r128) {
        return std::atof(text.c_str()) / 256.0 + 5.0;
    }
    EXPECT_NE(text.find(" dB"), std::string::npos) << text;
    return std::atof(text.c_str());
}

struct TaggedFormat {
    const char* format; // -f
    const char* extension;
    bool r128; // Opus keeps R128 gains rather than ReplayGain texts
};

constexpr TaggedFormat kTaggedFormats[] = {
    {"mp3", "mp3", false}, {"flac", "flac", false}, {"ogg", "ogg", false}, {"opus", "opus", true},
    {"m4a", "m4a", false}, {"alac", "m4a", false},  {"wma", "wma", false},
};

class CliReplayGain : public ::testing::TestWithParam<TaggedFormat> {};

constexpr const char* kLevels[] = {"0.05", "0.2", "0.6"};

std::vector<std::string> MakeAlbum(const std::string& folder) {
    std::vector<std::string> sources;
    for (const char* level : kLevels) {
        const std::string path = folder + "/level" + level + ".wav";
        EXPECT_TRUE(
            MakeMedia(std::string("-f lavfi -i anoisesrc=color=pink:d=6:r=44100:amplitude=") +
                          level + " -ac 2 -metadata album=Levels",
                      path));
        sources.push_back(path);
    }
    return sources;
}

TEST_P(CliReplayGain, TagsAgreeWithFfmpegsMeasurementAndTheAlbumSharesItsValues) {
    const TaggedFormat& tagged = GetParam();
    const std::string dir = MakeScratchDir(std::string("cli_replaygain_") + tagged.format);
    const std::vector<std::string> sources = MakeAlbum(dir);
    const std::string out = dir + "/out";
    std::vector<std::string> args = {"-f", tagged.format, "--replaygain", "-o", out};
    args.insert(args.end(), sources.begin(), sources.end());
    const CliRun run = RunCli(args, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::string trackKey = tagged.r128 ? "R128_TRACK_GAIN" : "REPLAYGAIN_TRACK_GAIN";
    const std::string albumKey = tagged.r128 ? "R128_ALBUM_GAIN" : "REPLAYGAIN_ALBUM_GAIN";
    std::vector<std::string> outputs;
    std::string albumGainText;
    std::string albumPeakText;
    for (const char* level : kLevels) {
        const std::string output = out + "/level" + level + "." + tagged.extension;
        outputs.push_back(output);
        const ProbedAudio probed = ProbeAudio(output);
        ASSERT_TRUE(probed.ok) << output;
        const FfmpegLoudness measured = MeasureWithFfmpeg({output});
        const double expected = -18.0 - measured.integrated;
        EXPECT_NEAR(GainOf(probed.Tag(trackKey), tagged.r128), expected, 0.1) << output;
        // Opus streams carry no peak tags; the others' peaks are sample peaks,
        // as players read them.
        if (!tagged.r128) {
            const double peak = std::atof(probed.Tag("REPLAYGAIN_TRACK_PEAK").c_str());
            EXPECT_GT(peak, 0.0) << output;
            EXPECT_LE(peak, 1.2) << output;
            EXPECT_EQ(probed.Tag("REPLAYGAIN_TRACK_PEAK").find('.'), 1u) << output;
            EXPECT_NEAR(20.0 * std::log10(peak), measured.samplePeakDb, 0.1) << output;
        }
        if (albumGainText.empty()) {
            albumGainText = probed.Tag(albumKey);
            albumPeakText = probed.Tag("REPLAYGAIN_ALBUM_PEAK");
        }
        EXPECT_EQ(probed.Tag(albumKey), albumGainText) << output;
        EXPECT_EQ(probed.Tag("REPLAYGAIN_ALBUM_PEAK"), albumPeakText) << output;
    }
    ASSERT_FALSE(albumGainText.empty());
    // The album's loudness is that of its tracks played together.
    EXPECT_NEAR(GainOf(albumGainText, tagged.r128), -18.0 - FfmpegIntegratedLoudness(outputs),
                0.15);
}

INSTANTIATE_TEST_SUITE_P(TaggedFormats, CliReplayGain, ::testing::ValuesIn(kTaggedFormats),
                         [](const auto& info) { return std::string(info.param.format); });

TEST(CliReplayGainGaps, SilenceAndShortClipsGetNoTagsSayWhyAndStayOutOfTheAlbum) {
    const std::string dir = MakeScratchDir("cli_replaygain_gaps");
    ASSERT_TRUE(MakeMedia("-f lavfi -i anullsrc=r=44100:cl=stereo -t 3", dir + "/silent.wav"));
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=d=0.2:r=44100 -ac 2", dir + "/short.wav"));
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=d=4:r=44100 -ac 2", dir + "/tone.wav"));
    const std::string out = dir + "/out";
    const CliRun run = RunCli({"-f", "flac", "--replaygain", "-o", out, dir + "/silent.wav",
                               dir + "/short.wav", dir + "/tone.wav"},
                              dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("silent.wav: completed (no ReplayGain tags: the track is silent)"),
              std::string::npos)
        << run.err;
    EXPECT_NE(
        run.err.find("short.wav: completed (no ReplayGain tags: the track is shorter than 400 ms)"),
        std::string::npos)
        << run.err;
    for (const char* name : {"silent", "short"}) {
        const ProbedAudio probed = ProbeAudio(out + "/" + name + ".flac");
        ASSERT_TRUE(probed.ok) << name;
        for (const char* key : {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK",
                                "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK"}) {
            EXPECT_EQ(probed.Tag(key), "") << name << " " << key;
        }
    }
    // The tone is its album's only measured track.
    const ProbedAudio tone = ProbeAudio(out + "/tone.flac");
    EXPECT_NE(tone.Tag("REPLAYGAIN_TRACK_GAIN"), "");
    EXPECT_EQ(tone.Tag("REPLAYGAIN_ALBUM_GAIN"), tone.Tag("REPLAYGAIN_TRACK_GAIN"));
}

TEST(CliReplayGainGaps, TheSourcesGainTagsAreNotCopied) {
    const std::string dir = MakeScratchDir("cli_replaygain_source_tags");
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=d=2:r=44100 -ac 2 -metadata album=Kept "
                          "-metadata REPLAYGAIN_TRACK_GAIN=\"+9.00 dB\" "
                          "-metadata REPLAYGAIN_ALBUM_PEAK=0.100000 -metadata R128_TRACK_GAIN=99",
                          dir + "/tagged.flac"));
    const std::string out = dir + "/out";
    for (const char* format : {"mp3", "ogg"}) {
        const CliRun run = RunCli({"-f", format, "-o", out, dir + "/tagged.flac"}, dir);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const ProbedAudio probed = ProbeAudio(out + "/tagged." + format);
        EXPECT_EQ(probed.Tag("album"), "Kept") << format;
        EXPECT_EQ(probed.Tag("REPLAYGAIN_TRACK_GAIN"), "") << format;
        EXPECT_EQ(probed.Tag("REPLAYGAIN_ALBUM_PEAK"), "") << format;
        EXPECT_EQ(probed.Tag("R128_TRACK_GAIN"), "") << format;
    }
}

TEST(CliReplayGainGaps, AlbumModeTakesFolderOrTagOnlyWithReplayGain) {
    const std::string dir = MakeScratchDir("cli_replaygain_album_mode");
    const std::string source = FixturePath("stereo44.wav");
    const CliRun wrong = RunCli({"--replaygain", "--album-mode", "disc", source}, dir);
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find("option '--album-mode' needs folder or tag, not 'disc'"),
              std::string::npos)
        << wrong.err;
    const CliRun alone = RunCli({"--album-mode", "folder", source}, dir);
    EXPECT_EQ(alone.exitCode, 2);
    EXPECT_NE(alone.err.find("option '--album-mode' goes with --replaygain"), std::string::npos)
        << alone.err;
}

TEST(CliReplayGainGaps, FolderModeMakesOneAlbumOfDifferentAlbumTags) {
    const std::string dir = MakeScratchDir("cli_replaygain_folder_mode");
    ASSERT_TRUE(
        MakeMedia("-f lavfi -i sine=d=3:r=44100 -ac 2 -metadata album=One", dir + "/a.wav"));
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=d=3:r=44100,volume=0.5 -ac 2 -metadata album=Two",
                          dir + "/b.wav"));
    for (const char* mode : {"tag", "folder"}) {
        const std::string out = dir + "/" + mode;
        const CliRun run = RunCli({"-f", "flac", "--replaygain", "--album-mode", mode, "-o", out,
                                   dir + "/a.wav", dir + "/b.wav"},
                                  dir);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const ProbedAudio a = ProbeAudio(out + "/a.flac");
        const ProbedAudio b = ProbeAudio(out + "/b.flac");
        if (std::string(mode) == "tag") {
            EXPECT_EQ(a.Tag("REPLAYGAIN_ALBUM_GAIN"), a.Tag("REPLAYGAIN_TRACK_GAIN"));
            EXPECT_EQ(b.Tag("REPLAYGAIN_ALBUM_GAIN"), b.Tag("REPLAYGAIN_TRACK_GAIN"));
        } else {
            EXPECT_EQ(a.Tag("REPLAYGAIN_ALBUM_GAIN"), b.Tag("REPLAYGAIN_ALBUM_GAIN"));
            EXPECT_NE(a.Tag("REPLAYGAIN_ALBUM_GAIN"), a.Tag("REPLAYGAIN_TRACK_GAIN"));
        }
    }
}

} // namespace
