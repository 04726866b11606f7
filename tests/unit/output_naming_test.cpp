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

// The work file of dir/song.mp3, finished with `text` in it.
std::string FinishedWorkFile(const std::string& dir, const std::string& text) {
    std::string work;
    EXPECT_EQ(CreateWorkFile(dir + "/song.mp3", work), 0);
    WriteFile(work, text);
    return work;
}

TEST(OutputNaming, WorkFilesAreHiddenBesideTheOutputAndNeverShared) {
    const std::string dir = MakeScratchDir("naming_work");
    std::string first;
    std::string second;
    ASSERT_EQ(CreateWorkFile(dir + "/song.mp3", first), 0);
    ASSERT_EQ(CreateWorkFile(dir + "/song.mp3", second), 0);
    EXPECT_EQ(first, dir + "/.song.mp3.part");
    EXPECT_EQ(second, dir + "/.song(0).mp3.part");
    EXPECT_FALSE(FileExists(dir + "/song.mp3")); // nothing under the output name yet
    std::string work = "untouched";
    EXPECT_LT(CreateWorkFile(dir + "/no/such/folder/song.mp3", work), 0);
    EXPECT_EQ(work, "untouched");
}

TEST(OutputNaming, PublishingNeverOverwritesExistingFiles) {
    const std::string dir = MakeScratchDir("naming_existing");
    WriteFile(dir + "/song.mp3", "first");
    WriteFile(dir + "/song(0).mp3", "second");
    const std::string work = FinishedWorkFile(dir, "converted");
    std::string chosen;
    ASSERT_EQ(PublishOutputFile(work, dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(1).mp3");
    EXPECT_EQ(ReadFile(chosen), "converted");
    EXPECT_FALSE(FileExists(work));
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "first");
    EXPECT_EQ(ReadFile(dir + "/song(0).mp3"), "second");
    // The published file is taken too: the next one moves on.
    ASSERT_EQ(PublishOutputFile(FinishedWorkFile(dir, "again"), dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(2).mp3");
}

TEST(OutputNaming, TreatsUnreadableFilesAndDanglingLinksAsTaken) {
    const std::string dir = MakeScratchDir("naming_unreadable");
    WriteFile(dir + "/song.mp3", "private");
    chmod((dir + "/song.mp3").c_str(), 0);
    ASSERT_EQ(symlink((dir + "/nowhere").c_str(), (dir + "/song(0).mp3").c_str()), 0);
    std::string chosen;
    ASSERT_EQ(PublishOutputFile(FinishedWorkFile(dir, "converted"), dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(1).mp3");
    EXPECT_FALSE(FileExists(dir + "/nowhere")); // the link was not followed
    chmod((dir + "/song.mp3").c_str(), 0644);
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "private");
}

TEST(OutputNaming, AFailedPublishKeepsTheWorkFile) {
    const std::string dir = MakeScratchDir("naming_missing");
    const std::string work = FinishedWorkFile(dir, "converted");
    std::string chosen = "untouched";
    EXPECT_LT(PublishOutputFile(work, dir + "/no/such/folder/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, "untouched");
    EXPECT_EQ(ReadFile(work), "converted");
}

} // namespace
