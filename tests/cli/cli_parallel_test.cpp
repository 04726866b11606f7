// Three machines' worth of veltrano-convert under GNU parallel, each taking
// one --shard of the same tree, give exactly what one run gives; a rerun
// converts exactly the sources that changed.
#include "cli_process.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

constexpr const char* kPattern = "{albumartist}/{album}/{disc}-{track:02} {title}";

// Every file below a folder with its bytes.
std::map<std::string, std::string> TreeWithBytes(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path().string());
        }
    }
    return files;
}

std::vector<std::string> NamesOf(const std::map<std::string, std::string>& files) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) {
        names.push_back(name);
    }
    return names;
}

// A tree of tagged sources, some without tags, in nested folders.
void MakeLibrary(const std::string& music) {
    for (int album = 1; album <= 3; ++album) {
        for (int track = 1; track <= 3; ++track) {
            const std::string path = music + "/Artist" + std::to_string(album % 2) + "/Album" +
                                     std::to_string(album) + "/" + std::to_string(track) + ".wav";
            fs::create_directories(fs::path(path).parent_path());
            const std::string tags =
                album == 3
                    ? "" // untagged: named "Unknown Artist/Unknown Album/1-00 <name>"
                    : " -metadata artist=A" + std::to_string(album % 2) + " -metadata album=Album" +
                          std::to_string(album) + " -metadata track=" + std::to_string(track) +
                          " -metadata title=Song" + std::to_string(track);
            ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=" + std::to_string(200 * track) +
                                      ":duration=0.5" + tags,
                                  path));
        }
    }
}

// GNU parallel runs the three shards side by side, each with its own JSON log.
void RunThreeShards(const std::string& dir, const std::string& logs) {
    fs::create_directories(logs);
    int exitCode = -1;
    const std::string output =
        RunCommand( // -q: parallel quotes the command's words again for the shell it runs
                    // them in, so the pattern's blank stays inside it.
            "cd " + ShellQuote(dir) + " && parallel --will-cite -q -j 3 " +
                ShellQuote(VELTRANO_CLI_PATH) + " -f wav -j 1 -o shards --name " +
                ShellQuote(kPattern) + " --update --shard {}/3 --log-json " + ShellQuote(logs) +
                "/{}.json Music ::: 1 2 3 " + "2>&1",
            &exitCode);
    EXPECT_EQ(exitCode, 0) << output;
}

// The JSON logs' file objects, read by Python's JSON parser, as
// "status output" lines in the order of the outputs; the summaries' file counts summed last.
std::string LoggedOutcomes(const std::string& logs) {
    WriteBytes(logs + "/read.py", R"(import json, sys, glob
lines, files = [], 0
for name in sorted(glob.glob(sys.argv[1] + "/*.json")):
    for line in open(name, encoding="utf-8"):
        o = json.loads(line)
        if o["type"] == "summary":
            files += o["files"]
        else:
            lines.append((o["output"].split("shards/", 1)[1], o["status"]))
print("\n".join(status + " " + name for name, status in sorted(lines)))
print("files", files)
)");
    int exitCode = -1;
    const std::string text =
        RunCommand("python3 " + ShellQuote(logs + "/read.py") + " " + ShellQuote(logs), &exitCode);
    EXPECT_EQ(exitCode, 0) << text;
    return text;
}

TEST(CliParallel, ThreeShardsGiveTheSingleRunsResultAndRerunOnlyWhatChanged) {
    if (RunCommand("command -v parallel").empty()) {
        GTEST_SKIP() << "GNU parallel is not installed (tools/packages.txt lists it)";
    }
    const std::string dir = MakeScratchDir("cli_parallel");
    MakeLibrary(dir + "/Music");
    const CliRun single = RunCli({"-f", "wav", "-j", "1", "-o", dir + "/single", "--name", kPattern,
                                  "--update", dir + "/Music"},
                                 dir);
    ASSERT_EQ(single.exitCode, 0) << single.err;

    RunThreeShards(dir, dir + "/logs1");
    const std::map<std::string, std::string> whole = TreeWithBytes(dir + "/single");
    ASSERT_EQ(whole.size(), 9u);
    const std::map<std::string, std::string> shared = TreeWithBytes(dir + "/shards");
    EXPECT_EQ(NamesOf(shared), NamesOf(whole));
    for (const auto& [name, bytes] : whole) {
        EXPECT_TRUE(shared.count(name) && shared.at(name) == bytes) << name;
    }
    // Each output was written once: one "completed" per name in all logs.
    std::string once;
    for (const auto& [name, bytes] : whole) {
        once += "completed " + name + "\n";
    }
    EXPECT_EQ(LoggedOutcomes(dir + "/logs1"), once + "files 9\n");

    // One source touched, one rewritten with other sound: only those two are
    // converted again, by whichever shard owns them.
    fs::last_write_time(dir + "/Music/Artist1/Album1/2.wav", fs::file_time_type::clock::now());
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=900:duration=0.5 -metadata artist=A0 "
                          "-metadata album=Album2 -metadata track=3 -metadata title=Song3",
                          dir + "/Music/Artist0/Album2/3.wav"));
    RunThreeShards(dir, dir + "/logs2");
    std::string expected;
    for (const auto& [name, bytes] : whole) {
        const bool changed =
            name == "A1/Album1/1-02 Song2.wav" || name == "A0/Album2/1-03 Song3.wav";
        expected += (changed ? "completed " : "skipped ") + name + "\n";
    }
    EXPECT_EQ(LoggedOutcomes(dir + "/logs2"), expected + "files 9\n");
    EXPECT_NE(ReadBytes(dir + "/shards/A0/Album2/1-03 Song3.wav"),
              whole.at("A0/Album2/1-03 Song3.wav"));
}

} // namespace
