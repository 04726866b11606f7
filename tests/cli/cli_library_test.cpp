// veltrano-convert on whole music folders, and why a failed file failed.
#include "cli_process.h"
#include "tests/support/file_size_cap.h"
#include "tests/support/media_check.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

void Put(const std::string& fixture, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(FixturePath(fixture), path);
}

// Every file below a folder, relative to it, sorted.
std::vector<std::string> TreeOf(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.push_back(fs::relative(entry.path(), folder).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(CliLibrary, AFolderKeepsItsSubfolderTreeUnderTheOutputFolder) {
    const std::string dir = MakeScratchDir("cli_library_tree");
    const std::string music = dir + "/Music";
    Put("mono8.wav", music + "/01.wav");
    Put("mono8.wav", music + "/A/CD1/01.wav");
    Put("stereo44.wav", music + "/A/CD2/01.wav");
    Put("text.txt", music + "/A/notes.txt");
    Put("mono8.wav", music + "/A/.hidden.wav");
    Put("mono8.wav", music + "/B/01.wav");
    Put("tagged.ogg", music + "/B/01.ogg"); // the same name in the same subfolder
    // The outputs go inside the tree: a second run must not take them as sources.
    const std::string out = music + "/mp3";
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "first run" : "second run");
        const CliRun result = RunCli({"-f", "mp3", "-o", out, music}, dir);
        EXPECT_EQ(result.exitCode, 1) << result.err; // the text file is refused
        EXPECT_NE(result.err.find("File:" + music + "/A/notes.txt is invalid!\n"),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(result.err.find(".hidden"), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("Failure"), std::string::npos) << result.out;
    }
    EXPECT_EQ(TreeOf(out),
              (std::vector<std::string>{"01(0).mp3", "01.mp3", "A/CD1/01(0).mp3", "A/CD1/01.mp3",
                                        "A/CD2/01(0).mp3", "A/CD2/01.mp3", "B/01(0).mp3",
                                        "B/01(1).mp3", "B/01(2).mp3", "B/01.mp3"}));
    EXPECT_EQ(ProbeAudio(out + "/A/CD2/01.mp3").channels, 2);
    EXPECT_EQ(ProbeAudio(out + "/A/CD1/01.mp3").sampleRate, 44100);
}

TEST(CliLibrary, TheFailureLineSaysWhy) {
    const std::string dir = MakeScratchDir("cli_library_reasons");
    const std::string music = dir + "/Music";
    Put("mono8.wav", music + "/A/01.wav");
    Put("text.txt", dir + "/out/A"); // where the subfolder A should go
    Put("video_silent.mp4", music + "/silent.mp4");
    const CliRun blocked = RunCli({"-f", "mp3", "-o", dir + "/out", music}, dir);
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_EQ(blocked.out, "Failure " + music +
                               "/A/01.wav (nothing written): the output folder cannot be written\n"
                               "Failure " +
                               music +
                               "/silent.mp4 (nothing written): no sound could be decoded\n");

    CliRun full;
    {
        FileSizeCap cap(64 * 1024); // room for the header and a little sound
        full = RunCli({"-f", "wav", "-o", dir + "/full", FixturePath("stereo44.wav")}, dir);
    }
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.out,
              "Failure " + FixturePath("stereo44.wav") + " (nothing written): the disk is full\n");
    EXPECT_TRUE(TreeOf(dir + "/full").empty());
}

} // namespace
