// veltrano-convert on a music library: outputs named from their sources'
// tags with --name.
#include "cli_process.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

// Every file below a folder, relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) {
        return files;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.push_back(fs::relative(entry.path(), folder).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A one-second tone at `path` carrying `tags` ("-metadata k=v ...").
void MakeTagged(const std::string& path, const std::string& tags) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=duration=1 " + tags, path));
}

TEST(CliNames, OutputsAreNamedFromTagsAndNoTagLeavesTheOutputFolder) {
    const std::string dir = MakeScratchDir("cli_names_tags");
    const std::string library = dir + "/library"; // the run's captures stay outside
    const std::string music = library + "/Music";
    MakeTagged(music + "/x/a.flac", "-metadata artist=Nina -metadata album_artist=Various "
                                    "-metadata album=Nights -metadata title=Blue "
                                    "-metadata track=3/9 -metadata disc=2");
    MakeTagged(music + "/x/b.ogg", "-metadata artist=Nina -metadata title=Gold");
    MakeTagged(music + "/y/c.wav", "");
    MakeTagged(music + "/y/d.flac", "-metadata artist=../../.. -metadata album=..");
    const std::string out = library + "/out";
    const CliRun run = RunCli({"-f", "mp3", "-o", out, "--name",
                               "{albumartist}/{album}/{disc}-{track:02} {title}", music},
                              dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{
                                   ".._.._../__/1-00 d.mp3",
                                   "Nina/Unknown Album/1-00 Gold.mp3",
                                   "Unknown Artist/Unknown Album/1-00 c.mp3",
                                   "Various/Nights/2-03 Blue.mp3",
                               }));
    EXPECT_EQ(FilesBelow(library), (std::vector<std::string>{
                                       "Music/x/a.flac",
                                       "Music/x/b.ogg",
                                       "Music/y/c.wav",
                                       "Music/y/d.flac",
                                       "out/.._.._../__/1-00 d.mp3",
                                       "out/Nina/Unknown Album/1-00 Gold.mp3",
                                       "out/Unknown Artist/Unknown Album/1-00 c.mp3",
                                       "out/Various/Nights/2-03 Blue.mp3",
                                   }));
    const ProbedAudio probed = ProbeAudio(out + "/Various/Nights/2-03 Blue.mp3");
    EXPECT_TRUE(probed.ok);
    EXPECT_EQ(probed.Tag("title"), "Blue");
}

TEST(CliNames, FolderFieldAndPortableNames) {
    const std::string dir = MakeScratchDir("cli_names_portable");
    MakeTagged(dir + "/Music/A/CD1/01.wav", "-metadata title=\"What? <Live>\"");
    MakeTagged(dir + "/single.wav", "-metadata title=con");
    const std::string out = dir + "/out";
    const CliRun run = RunCli({"-f", "wav", "-o", out, "--portable-names", "--name",
                               "{folder}/{title}", dir + "/Music", dir + "/single.wav"},
                              dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"A/CD1/What_ _Live_.wav", "_con.wav"}));
}

TEST(CliNames, BadPatternsAreRefusedBeforeAnythingIsWritten) {
    const std::string dir = MakeScratchDir("cli_names_refused");
    MakeTagged(dir + "/a.wav", "");
    const std::pair<const char*, const char*> cases[] = {
        {"{artist}/{albun}", "unknown field '{albun}'"},
        {"{album/{title}", "unclosed brace '{album/'"},
    };
    for (const auto& [pattern, message] : cases) {
        const CliRun run = RunCli({"-o", dir + "/out", "--name", pattern, dir + "/a.wav"}, dir);
        EXPECT_EQ(run.exitCode, 2) << pattern;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(dir + "/out")) << pattern;
    }
}

} // namespace
