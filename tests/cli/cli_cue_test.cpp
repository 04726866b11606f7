// A cue sheet on the command line: one output per track, named and tagged
// from the sheet, exact to the sample; --probe lists the tracks.
#include "cli_process.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

const char* const kSheet = "PERFORMER \"The Band\"\nTITLE \"The Album\"\nREM DATE 2001\n"
                           "FILE \"album.flac\" WAVE\n"
                           "  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
                           "  TRACK 02 AUDIO\n    TITLE \"Second\"\n    PERFORMER \"Guest\"\n"
                           "    INDEX 00 00:01:10\n    INDEX 01 00:01:37\n";

std::string MakeAlbum(const std::string& dir) {
    EXPECT_TRUE(MakeMedia("-f lavfi -i anoisesrc=d=2.5:r=44100:a=0.3:seed=4 -ac 2 -sample_fmt s16",
                          dir + "/album.flac"));
    WriteBytes(dir + "/album.cue", kSheet);
    return dir + "/album.cue";
}

TEST(CliCueSheet, ConvertsEachTrackIntoAFileOfItsOwn) {
    const std::string dir = MakeScratchDir("cli_cue_convert");
    const std::string sheet = MakeAlbum(dir);
    const CliRun run = RunCli({"-f", "flac", "-o", dir + "/out", sheet}, dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string first = dir + "/out/01 - First.flac";
    const std::string second = dir + "/out/02 - Second.flac";
    EXPECT_EQ(run.out, "Completed " + first + "\nCompleted " + second + "\n");
    const ProbedAudio probed = ProbeAudio(second);
    EXPECT_EQ(probed.Tag("title"), "Second");
    EXPECT_EQ(probed.Tag("artist"), "Guest");
    EXPECT_EQ(probed.Tag("album_artist"), "The Band");
    EXPECT_EQ(probed.Tag("album"), "The Album");
    EXPECT_EQ(probed.Tag("date"), "2001");
    EXPECT_EQ(probed.Tag("track"), "2/2");
    std::vector<int16_t> joined = DecodeS16(first);
    EXPECT_EQ(joined.size(), size_t{112 * 588 * 2});
    const std::vector<int16_t> rest = DecodeS16(second);
    joined.insert(joined.end(), rest.begin(), rest.end());
    EXPECT_TRUE(joined == DecodeS16(dir + "/album.flac"));
}

TEST(CliCueSheet, AFolderGivesTheTracksAndNotTheImageAsWell) {
    const std::string dir = MakeScratchDir("cli_cue_folder");
    std::filesystem::create_directory(dir + "/Album");
    MakeAlbum(dir + "/Album");
    const CliRun run = RunCli({"-f", "wav", "-o", dir + "/out", dir + "/Album"}, dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Completed " + dir + "/out/01 - First.wav\nCompleted " + dir +
                           "/out/02 - Second.wav\n");
}

TEST(CliCueSheet, ABadSheetIsRefusedNamingItsLineAndTheOthersConvert) {
    const std::string dir = MakeScratchDir("cli_cue_bad");
    MakeAlbum(dir);
    WriteBytes(dir + "/bad.cue", "FILE \"album.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                 "TRACK 02 AUDIO\nINDEX 01 00:09:00\n");
    const CliRun run =
        RunCli({"-f", "wav", "-o", dir + "/out", dir + "/bad.cue", FixturePath("mono8.wav")}, dir);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1),
              "File:" + dir +
                  "/bad.cue is invalid! Line 5: TRACK 02 starts at 00:09:00, past the "
                  "end of \"album.flac\".\n");
    EXPECT_EQ(run.out, "Completed " + dir + "/out/mono8.wav\n");
}

TEST(CliCueSheet, ProbeListsTheTracks) {
    const std::string dir = MakeScratchDir("cli_cue_probe");
    const std::string sheet = MakeAlbum(dir);
    const CliRun run = RunCli({"--probe", sheet}, dir);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "file: " + sheet +
                           "\nresult: 0\ntracks: 2\n"
                           "track 1: album.flac 00:00:00 - 00:01:37 \"01 - First\"\n"
                           "track 2: album.flac 00:01:37 - end \"02 - Second\"\n");
}

} // namespace
