// veltrano-convert --files-from: sources read from a list, one per line or
// NUL-separated, from a file or from standard input.
#include "cli/file_list.h"
#include "cli_process.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

void Put(const std::string& fixture, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(FixturePath(fixture), path);
}

TEST(FileList, SplitsOnNewLinesOrNulBytesAndLeavesOutEmptyEntries) {
    using List = std::vector<std::string>;
    EXPECT_EQ(SplitFileList("a.wav\nb c.wav\n\n", false), (List{"a.wav", "b c.wav"}));
    EXPECT_EQ(SplitFileList("a.wav", false), (List{"a.wav"}));
    EXPECT_EQ(SplitFileList(std::string("new\nline.wav\0b.wav\0", 20), true),
              (List{"new\nline.wav", "b.wav"}));
    EXPECT_EQ(SplitFileList("", true), List{});
}

TEST(CliFilesFrom, ANulSeparatedListConvertsItsFilesAndReportsAMissingOne) {
    const std::string dir = MakeScratchDir("cli_files_from_null");
    const std::string odd = dir + "/in/line\nbreak.wav"; // only a NUL list can name it
    Put("mono8.wav", odd);
    Put("stereo44.wav", dir + "/in/A/b.wav");
    const std::string missing = dir + "/in/gone.wav";
    WriteBytes(dir + "/list", odd + '\0' + missing + '\0' + dir + "/in/A" + '\0');
    const std::string out = dir + "/out";
    const CliRun run = RunCli({"-f", "mp3", "-o", out, "-0", "--files-from", dir + "/list"}, dir);
    EXPECT_EQ(run.exitCode, 1) << run.err; // the missing file is refused
    EXPECT_NE(run.err.find("File:" + missing + " is invalid!\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "Completed " + out + "/line\nbreak.mp3\nCompleted " + out + "/b.mp3\n");
    EXPECT_TRUE(ProbeAudio(out + "/line\nbreak.mp3").ok);
}

TEST(CliFilesFrom, StandardInputListsOnePerLineBesideFileArguments) {
    const std::string dir = MakeScratchDir("cli_files_from_stdin");
    Put("mono8.wav", dir + "/a.wav");
    Put("stereo44.wav", dir + "/b.wav");
    int exitCode = -1;
    const std::string out = dir + "/out";
    const std::string output =
        RunCommand("printf '%s\\n' " + ShellQuote(dir + "/b.wav") + " | " +
                       ShellQuote(VELTRANO_CLI_PATH) + " -f wav -o " + ShellQuote(out) +
                       " --files-from - " + ShellQuote(dir + "/a.wav") + " 2>/dev/null",
                   &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(output, "Completed " + out + "/a.wav\nCompleted " + out + "/b.wav\n");
}

TEST(CliFilesFrom, AnUnreadableListIsAUsageError) {
    const std::string dir = MakeScratchDir("cli_files_from_unreadable");
    const CliRun run = RunCli({"-o", dir + "/out", "--files-from", dir + "/no-list"}, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot read the file list '" + dir + "/no-list'"), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir + "/out"));
}

} // namespace
