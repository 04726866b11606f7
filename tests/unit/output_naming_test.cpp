#include "engine/output_naming.h"
#include "tests/support/media_check.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace veltrano::test;

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OutputNaming, CandidatesAreBuiltFromTheBaseName) {
    EXPECT_EQ(OutputNameCandidate("/o/song.mp3", -1), "/o/song.mp3");
    EXPECT_EQ(OutputNameCandidate("/o/song.mp3", 0), "/o/song(0).mp3");
    EXPECT_EQ(OutputNameCandidate("/o/song.mp3", 12), "/o/song(12).mp3");
    EXPECT_EQ(OutputNameCandidate("/o/a.b.wav", 1), "/o/a.b(1).wav");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(OutputNameCandidate("/o.d/song", 0), "/o.d/song(0)");
}

TEST(OutputNaming, NeverOverwritesExistingFiles) {
    const std::string dir = MakeScratchDir("naming_existing");
    WriteFile(dir + "/song.mp3", "first");
    WriteFile(dir + "/song(0).mp3", "second");
    std::string chosen;
    ASSERT_EQ(CreateUniqueOutputFile(dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(1).mp3");
    EXPECT_EQ(FileSize(chosen), 0);
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "first");
    EXPECT_EQ(ReadFile(dir + "/song(0).mp3"), "second");
    // The file it created is taken too: the next call moves on.
    ASSERT_EQ(CreateUniqueOutputFile(dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(2).mp3");
}

TEST(OutputNaming, TreatsUnreadableFilesAndDanglingLinksAsTaken) {
    const std::string dir = MakeScratchDir("naming_unreadable");
    WriteFile(dir + "/song.mp3", "private");
    chmod((dir + "/song.mp3").c_str(), 0);
    ASSERT_EQ(symlink((dir + "/nowhere").c_str(), (dir + "/song(0).mp3").c_str()), 0);
    std::string chosen;
    ASSERT_EQ(CreateUniqueOutputFile(dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(1).mp3");
    EXPECT_FALSE(FileExists(dir + "/nowhere")); // the link was not followed
    chmod((dir + "/song.mp3").c_str(), 0644);
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "private");
}

TEST(OutputNaming, ReportsAMissingFolder) {
    const std::string dir = MakeScratchDir("naming_missing");
    std::string chosen = "untouched";
    EXPECT_LT(CreateUniqueOutputFile(dir + "/no/such/folder/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, "untouched");
}

} // namespace
