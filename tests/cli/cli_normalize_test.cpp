// veltrano-convert --normalize: a pass measures every file before any is
// converted, each output reaches the chosen loudness unless its true peak
// would pass -1 dBTP, and a stop while measuring writes nothing.
#include "cli_process.h"
#include "engine/work_file.h"
#include "tests/support/ffmpeg_loudness.h"
#include "tests/support/media_check.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

bool HasText(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CliNormalize, LosslessOutputsReachTheTargetAndAPeakyFileIsHeldBack) {
    const std::string dir = MakeScratchDir("cli_normalize");
    ASSERT_TRUE(MakeMedia("-f lavfi -i anoisesrc=color=pink:d=6:r=44100:amplitude=0.03 -ac 2",
                          dir + "/quiet.wav"));
    ASSERT_TRUE(MakeMedia("-f lavfi -i anoisesrc=color=pink:d=6:r=44100:amplitude=0.5 -ac 2",
                          dir + "/loud.wav"));
    // A quiet tone with a click near full scale every second.
    ASSERT_TRUE(MakeMedia("-f lavfi -i \"aevalsrc='0.02*sin(2*PI*440*t)+"
                          "if(lt(mod(t\\,1)\\,0.001)\\,0.9\\,0)':d=6:s=44100\" -ac 2",
                          dir + "/peaky.wav"));
    const std::string out = dir + "/out";
    const CliRun run = RunCli({"-f", "flac", "--normalize", "-16", "-o", out, dir + "/quiet.wav",
                               dir + "/loud.wav", dir + "/peaky.wav"},
                              dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    for (const char* name : {"quiet", "loud"}) {
        const FfmpegLoudness level = MeasureWithFfmpeg({out + "/" + name + ".flac"});
        EXPECT_NEAR(level.integrated, -16.0, 0.5) << name;
        EXPECT_LE(level.truePeakDb, -0.8) << name;
        EXPECT_TRUE(HasText(run.err, std::string(name) + ".wav: loudness ")) << run.err;
        EXPECT_FALSE(HasText(run.err, std::string(name) + ".wav: completed (held back")) << run.err;
    }
    // Brought to -16 LUFS its clicks would pass full scale: it stops at -1 dBTP,
    // well short of the target, and says so.
    const FfmpegLoudness peaky = MeasureWithFfmpeg({out + "/peaky.flac"});
    EXPECT_LT(peaky.integrated, -20.0);
    EXPECT_NEAR(peaky.truePeakDb, -1.0, 0.2);
    EXPECT_TRUE(HasText(run.err, "peaky.wav: completed (held back by the true-peak limit of "
                                 "-1 dBTP)"))
        << run.err;
    // Every file is measured before the first is converted.
    EXPECT_LT(run.err.find("peaky.wav: loudness"), run.err.find(": converting")) << run.err;
}

TEST(CliNormalize, OnlyTheOfferedTargetsAreTaken) {
    const std::string dir = MakeScratchDir("cli_normalize_targets");
    for (const char* target : {"-20", "16", "loud"}) {
        const CliRun run =
            RunCli({"--normalize", target, "-o", dir + "/out", FixturePath("stereo44.wav")}, dir);
        EXPECT_EQ(run.exitCode, 2) << target;
        EXPECT_TRUE(HasText(run.err, std::string("option '--normalize' needs -14, -16, -18 or "
                                                 "-23, not '") +
                                         target + "'"))
            << run.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/out"));
}

// Options that go together or not at all.
TEST(CliNormalize, NormalizeByTakesTrackOrAlbumAndOnlyWithATarget) {
    const std::string dir = MakeScratchDir("cli_normalize_by");
    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {{"--normalize", "-16", "--normalize-by", "disc"},
         "option '--normalize-by' needs track or album, not 'disc'"},
        {{"--normalize-by", "album"}, "option '--normalize-by' goes with --normalize"},
        {{"--normalize", "-16", "--album-mode", "folder"},
         "option '--album-mode' goes with --replaygain or --normalize-by album"},
        {{"--normalize", "-16", "--normalize-by", "track", "--album-mode", "folder"},
         "option '--album-mode' goes with --replaygain or --normalize-by album"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", dir + "/out", FixturePath("stereo44.wav")});
        const CliRun run = RunCli(args, dir);
        EXPECT_EQ(run.exitCode, 2) << c.error;
        EXPECT_TRUE(HasText(run.err, c.error)) << run.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/out"));
}

// Normalised by album, the tracks of one album get one gain: the album as a
// whole reaches the target, or the true-peak limit of its peakiest track.
struct AlbumCase {
    const char* name;
    std::vector<std::string> albumMode; // options grouping the albums
    const char* albumTags[3];
    const char* loudSource; // the lavfi source of the third track
    bool heldBack;
};

const AlbumCase kAlbumCases[] = {
    {"tag",
     {},
     {"Levels", "Levels", "Levels"},
     "anoisesrc=color=pink:d=6:r=44100:amplitude=0.12",
     false},
    {"folder",
     {"--album-mode", "folder"},
     {"One", "Two", "Three"},
     "anoisesrc=color=pink:d=6:r=44100:amplitude=0.12",
     false},
    // A quiet tone with a click near full scale every second: brought up
    // with the album it would pass -1 dBTP, so it holds the whole album back.
    {"peaky",
     {},
     {"Levels", "Levels", "Levels"},
     "\"aevalsrc='0.02*sin(2*PI*440*t)+if(lt(mod(t\\,1)\\,0.001)\\,0.9\\,0)':d=6:s=44100\"",
     true},
};

class CliNormalizeAlbum : public ::testing::TestWithParam<AlbumCase> {};

TEST_P(CliNormalizeAlbum, OneGainForTheAlbumKeepsItsTracksLevels) {
    const AlbumCase& album = GetParam();
    const std::string dir = MakeScratchDir(std::string("cli_normalize_album_") + album.name);
    const std::string lavfi[] = {"anoisesrc=color=pink:d=6:r=44100:amplitude=0.01",
                                 "anoisesrc=color=pink:d=6:r=44100:amplitude=0.03",
                                 album.loudSource};
    std::vector<std::string> names = {"quiet", "middle", "loud", "short"};
    std::vector<std::string> args = {"-f",    "flac", "--normalize", "-16", "--normalize-by",
                                     "album", "-o",   dir + "/out"};
    args.insert(args.end(), album.albumMode.begin(), album.albumMode.end());
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(
            MakeMedia("-f lavfi -i " + lavfi[i] + " -ac 2 -metadata album=" + album.albumTags[i],
                      dir + "/" + names[i] + ".wav"));
    }
    // Too short for a loudness of its own: it takes the album's gain.
    ASSERT_TRUE(
        MakeMedia("-f lavfi -i sine=frequency=440:d=0.2:r=44100,volume=0.1 -ac 2 -metadata album=" +
                      std::string(album.albumTags[0]),
                  dir + "/short.wav"));
    for (const std::string& name : names) {
        args.push_back(dir + "/" + name + ".wav");
    }
    const CliRun run = RunCli(args, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::vector<std::string> outputs;
    std::vector<double> gains;
    double highestPeak = -HUGE_VAL;
    for (size_t i = 0; i < 3; ++i) {
        const std::string output = dir + "/out/" + names[i] + ".flac";
        outputs.push_back(output);
        const FfmpegLoudness before = MeasureWithFfmpeg({dir + "/" + names[i] + ".wav"});
        const FfmpegLoudness after = MeasureWithFfmpeg({output});
        gains.push_back(after.integrated - before.integrated);
        highestPeak = std::max(highestPeak, after.truePeakDb);
        EXPECT_TRUE(HasText(run.err, names[i] + ".wav: loudness -")) << run.err;
        EXPECT_EQ(HasText(run.err, names[i] + ".wav: completed (held back"), album.heldBack)
            << run.err;
    }
    // The tracks keep their differences in level.
    for (const double gain : gains) {
        EXPECT_NEAR(gain, gains[0], 0.2) << album.name;
    }
    const double shortGain = MeasureWithFfmpeg({dir + "/out/short.flac"}).samplePeakDb -
                             MeasureWithFfmpeg({dir + "/short.wav"}).samplePeakDb;
    EXPECT_NEAR(shortGain, gains[0], 0.2) << album.name;
    EXPECT_TRUE(HasText(run.err, "short.wav: loudness not measurable (silent or shorter than "
                                 "400 ms), album "))
        << run.err;
    // Each file's line gives the album's gain.
    size_t albumLines = 0;
    for (size_t at = run.err.find(" LUFS, album gain "); at != std::string::npos;
         at = run.err.find(" LUFS, album gain ", at + 1)) {
        ++albumLines;
    }
    EXPECT_EQ(albumLines, names.size()) << run.err;
    const double together = MeasureWithFfmpeg(outputs).integrated;
    if (album.heldBack) {
        EXPECT_NEAR(highestPeak, -1.0, 0.2);
        EXPECT_LT(together, -16.5);
    } else {
        EXPECT_NEAR(together, -16.0, 0.5);
        EXPECT_LE(highestPeak, -0.8);
    }
}

INSTANTIATE_TEST_SUITE_P(AlbumGroupings, CliNormalizeAlbum, ::testing::ValuesIn(kAlbumCases),
                         [](const auto& info) { return std::string(info.param.name); });

bool WaitForText(CliProcess& process, const std::string& text) {
    for (int polls = 0; polls < 6000; ++polls) {
        if (HasText(process.ErrorSoFar(), text)) {
            return true;
        }
        if (kill(process.pid(), 0) != 0) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(CliNormalize, AStopWhileMeasuringWritesNothing) {
    const std::string dir = MakeScratchDir("cli_normalize_stop");
    // Ten minutes of 5.1 at 48 kHz: long enough to measure that the stop
    // comes while it is measured.
    const std::string longSource = dir + "/long.flac";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=48000:duration=600 "
                          "-af \"pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0\" -c:a flac",
                          longSource));
    const std::string first = FixturePath("mono8.wav");
    const std::string out = dir + "/out";
    CliProcess process(
        {"-j", "1", "-f", "flac", "--normalize", "-16", "-o", out, first, longSource}, dir);
    ASSERT_TRUE(WaitForText(process, "[1/2] " + first + ": loudness"))
        << "the first file was not measured";
    ASSERT_EQ(kill(process.pid(), SIGINT), 0);
    const CliRun run = process.Wait();

    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_FALSE(HasText(run.err, "[2/2] " + longSource + ": loudness"))
        << "the stop came after measuring: " << run.err;
    EXPECT_FALSE(HasText(run.err, "converting")) << run.err;
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(out)) {
        written.push_back(entry.path().filename().string());
    }
    EXPECT_TRUE(written.empty()) << written.front();
}

} // namespace
