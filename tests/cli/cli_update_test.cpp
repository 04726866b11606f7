// veltrano-convert --update: a rerun converts only what changed, renews older
// outputs in one step and never lets two sources write one name.
#include "cli_process.h"
#include "engine/work_file.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.push_back(fs::relative(entry.path(), folder).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void Put(const std::string& fixture, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(FixturePath(fixture), path);
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

void MakeOlderThanItsSource(const std::string& output) {
    fs::last_write_time(output, fs::last_write_time(output) - std::chrono::hours(1));
}

TEST(CliUpdate, UpToDateOutputsAreSkippedAndOlderOnesReplacedInOneStep) {
    const std::string dir = MakeScratchDir("cli_update_skip");
    const std::string music = dir + "/Music";
    Put("mono8.wav", music + "/a.wav");
    Put("stereo44.wav", music + "/c/b.wav");
    const std::string out = dir + "/out";
    const std::vector<std::string> args = {"-f", "mp3", "-o", out, "--update", music};
    const CliRun first = RunCli(args, dir);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "Completed " + out + "/a.mp3\nCompleted " + out + "/c/b.mp3\n");

    const CliRun again = RunCli(args, dir);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out,
              "Skipped (up to date) " + out + "/a.mp3\nSkipped (up to date) " + out + "/c/b.mp3\n");

    // An output older than its source is written anew, under its exact name,
    // as a new file renamed over the old one (not rewritten in place).
    MakeOlderThanItsSource(out + "/c/b.mp3");
    WriteBytes(out + "/c/b.mp3", "stale");
    MakeOlderThanItsSource(out + "/c/b.mp3");
    const ino_t staleInode = InodeOf(out + "/c/b.mp3");
    const CliRun renewed = RunCli(args, dir);
    EXPECT_EQ(renewed.exitCode, 0) << renewed.err;
    EXPECT_EQ(renewed.out,
              "Skipped (up to date) " + out + "/a.mp3\nCompleted " + out + "/c/b.mp3\n");
    EXPECT_NE(InodeOf(out + "/c/b.mp3"), staleInode);
    EXPECT_EQ(ProbeAudio(out + "/c/b.mp3").channels, 2);
    EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"a.mp3", "c/b.mp3"}));

    // A file that is no media is refused, even where an output of its name
    // happens to be up to date.
    WriteBytes(music + "/a.txt", "notes");
    MakeOlderThanItsSource(music + "/a.txt");
    const CliRun withText = RunCli(args, dir);
    EXPECT_EQ(withText.exitCode, 1) << withText.err;
    EXPECT_NE(withText.err.find("File:" + music + "/a.txt is invalid!"), std::string::npos)
        << withText.err;
    EXPECT_EQ(withText.out.find("a.txt"), std::string::npos) << withText.out;
}

TEST(CliUpdate, TwoSourcesForOneNameFailTheSecondAndOverwriteNothing) {
    const std::string dir = MakeScratchDir("cli_update_collide");
    const std::string music = dir + "/Music";
    Put("mono8.wav", music + "/song.wav");
    Put("tagged.ogg", music + "/song.ogg"); // "song.ogg" < "song.wav": it comes first
    Put("stereo44.wav", music + "/keep.wav");
    const std::string out = dir + "/out";
    fs::create_directories(out);
    const CliRun run = RunCli({"-f", "mp3", "-o", out, "--update", music}, dir);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out, "Completed " + out + "/keep.mp3\nCompleted " + out + "/song.mp3\nFailure " +
                           music + "/song.wav (nothing written): its output name " + out +
                           "/song.mp3 is taken by " + music + "/song.ogg in this run\n");
    EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"keep.mp3", "song.mp3"}));
    EXPECT_EQ(ProbeAudio(out + "/song.mp3").Tag("title"),
              ProbeAudio(music + "/song.ogg").Tag("title"));

    // Converted into its own folder in its own format, a source would be its
    // own output: it is never replaced.
    const std::string source = ReadBytes(music + "/keep.wav");
    const CliRun inPlace = RunCli({"-f", "wav", "-o", music, "--update", music + "/keep.wav"}, dir);
    EXPECT_EQ(inPlace.exitCode, 1) << inPlace.err;
    EXPECT_EQ(inPlace.out, "Failure " + music + "/keep.wav (nothing written): its output name " +
                               music + "/keep.wav is a source of this run\n");
    EXPECT_EQ(ReadBytes(music + "/keep.wav"), source);
}

TEST(CliUpdate, WithoutUpdateAnExistingOutputIsNeverReplaced) {
    const std::string dir = MakeScratchDir("cli_update_without");
    Put("mono8.wav", dir + "/a.wav");
    const std::string out = dir + "/out";
    fs::create_directories(out);
    WriteBytes(out + "/a.mp3", "mine");
    MakeOlderThanItsSource(out + "/a.mp3");
    const CliRun run = RunCli({"-f", "mp3", "-o", out, dir + "/a.wav"}, dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Completed " + out + "/a(0).mp3\n");
    EXPECT_EQ(ReadBytes(out + "/a.mp3"), "mine");
}

} // namespace
