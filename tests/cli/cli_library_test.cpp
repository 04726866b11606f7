// veltrano-convert on whole music folders, and why a failed file failed.
#include "cli_process.h"
#include "tests/support/file_size_cap.h"
#include "tests/support/media_check.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
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

// The "file: " lines of a --probe listing, in order.
std::vector<std::string> ProbedFiles(const std::string& listing) {
    std::vector<std::string> files;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("file: ")) {
            files.push_back(line.substr(6));
        }
    }
    return files;
}

// The sources of a conversion's "Completed" lines, in order: each output with
// the source's folder and extension put back.
std::vector<std::string> ConvertedSources(const std::string& summary, const std::string& out,
                                          const std::string& music) {
    std::vector<std::string> sources;
    std::istringstream lines(summary);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Completed " + out + "/")) {
            const std::string relative = line.substr(10 + out.size() + 1);
            sources.push_back(music + "/" + relative.substr(0, relative.rfind('.')) + ".wav");
        }
    }
    return sources;
}

TEST(CliLibrary, ProbeListsAFoldersFilesAsConversionTakesThem) {
    const std::string dir = MakeScratchDir("cli_library_probe");
    const std::string music = dir + "/Music";
    Put("mono8.wav", music + "/b.wav");
    Put("stereo44.wav", music + "/A/CD2/01.wav");
    Put("mono8.wav", music + "/A/CD1/01.wav");
    Put("mono8.wav", music + "/a.wav");
    Put("mono8.wav", music + "/.hidden/01.wav");
    Put("mono8.wav", music + "/A/.hidden.wav");
    const std::string single = FixturePath("stereo44.wav");

    const CliRun probe = RunCli({"--probe", music, single}, dir);
    EXPECT_EQ(probe.exitCode, 0) << probe.out << probe.err;
    const std::vector<std::string> expected = {music + "/A/CD1/01.wav", music + "/A/CD2/01.wav",
                                               music + "/a.wav", music + "/b.wav", single};
    EXPECT_EQ(ProbedFiles(probe.out), expected);
    EXPECT_EQ(probe.out.find("result: -"), std::string::npos) << probe.out;

    const std::string out = dir + "/out";
    const CliRun convert = RunCli({"-f", "wav", "-j", "1", "-o", out, music}, dir);
    ASSERT_EQ(convert.exitCode, 0) << convert.err;
    const std::vector<std::string> probedInFolder(expected.begin(), expected.end() - 1);
    EXPECT_EQ(ConvertedSources(convert.out, out, music), probedInFolder);

    const CliRun help = RunCli({"--help"}, dir);
    EXPECT_NE(help.out.find("--probe [--verbose] FILE|FOLDER..."), std::string::npos) << help.out;
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
