// veltrano-convert --shard K/N: N shares of one tree, disjoint and together
// the whole.
#include "cli/cli_options.h"
#include "cli/shard.h"
#include "cli_process.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

TEST(Shard, EveryPathFallsInExactlyOneShareOfN) {
    std::vector<std::string> paths;
    for (int album = 0; album < 20; ++album) {
        for (int track = 0; track < 25; ++track) {
            paths.push_back("Artist " + std::to_string(album % 7) + "/Album " +
                            std::to_string(album) + "/" + std::to_string(track) + ".flac");
        }
    }
    for (int count : {1, 2, 3, 7}) {
        std::vector<int> shares(static_cast<size_t>(count));
        for (const std::string& path : paths) {
            int owners = 0;
            for (int index = 1; index <= count; ++index) {
                if (InShard(path, Shard{index, count})) {
                    ++owners;
                    ++shares[static_cast<size_t>(index - 1)];
                }
            }
            EXPECT_EQ(owners, 1) << path << " of " << count;
        }
        for (int share : shares) {
            EXPECT_GT(share, 0) << count; // no machine idles on a tree this size
        }
    }
    // The hash is fixed: other machines and later versions agree on it.
    EXPECT_EQ(StableHash(""), 14695981039346656037ull);
    EXPECT_EQ(StableHash("a"), 0xaf63dc4c8601ec8cull);
}

TEST(Shard, OnlyKOfNWithKFromOneToNIsTaken) {
    for (const char* bad : {"0/3", "4/3", "x", "1/0", "3", "/3", "1/", "-1/3", "1/3/4", "1 /3"}) {
        const CliParseResult result = ParseCommandLine({"--shard", bad, "a.wav"});
        EXPECT_FALSE(result.options) << bad;
        EXPECT_EQ(result.error,
                  std::string("option '--shard' needs K/N with 1 <= K <= N, not '") + bad + "'");
    }
    for (const auto& [text, index, count] :
         {std::tuple{"1/1", 1, 1}, {"1/3", 1, 3}, {"3/3", 3, 3}, {"12/40", 12, 40}}) {
        const CliParseResult result = ParseCommandLine({"--shard", text, "a.wav"});
        ASSERT_TRUE(result.options) << result.error;
        EXPECT_EQ(result.options->shard.index, index);
        EXPECT_EQ(result.options->shard.count, count);
    }
}

std::vector<std::string> OutLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(CliShard, ThreeSharesOfATreeAreDisjointAndTogetherTheWhole) {
    const std::string dir = MakeScratchDir("cli_shard_tree");
    const std::string music = dir + "/Music";
    for (const char* path : {"a.wav", "b.wav", "A/1.wav", "A/2.wav", "A/3.wav", "B/x/1.wav",
                             "B/x/2.wav", "B/y/1.wav", "notes.txt"}) {
        fs::create_directories(fs::path(music + "/" + path).parent_path());
        fs::copy_file(FixturePath(fs::path(path).extension() == ".txt" ? "text.txt" : "mono8.wav"),
                      music + "/" + path);
    }
    const CliRun whole = RunCli({"-f", "wav", "-j", "1", "-o", dir + "/whole", music}, dir);
    std::multiset<std::string> wholeLines;
    for (const std::string& line : OutLines(whole.out)) {
        wholeLines.insert(line.substr(line.find(dir + "/whole/") + dir.size() + 7));
    }
    ASSERT_EQ(wholeLines.size(), 8u) << whole.out;
    std::multiset<std::string> sharedLines;
    std::string refusals;
    for (int index = 1; index <= 3; ++index) {
        const CliRun part = RunCli({"-f", "wav", "-j", "1", "--shard", std::to_string(index) + "/3",
                                    "-o", dir + "/shards", music},
                                   dir);
        EXPECT_GT(OutLines(part.out).size(), 0u) << index;
        for (const std::string& line : OutLines(part.out)) {
            EXPECT_EQ(line.rfind("Completed ", 0), 0u) << line;
            sharedLines.insert(line.substr(line.find(dir + "/shards/") + dir.size() + 8));
        }
        refusals += part.err.find("notes.txt is invalid!") != std::string::npos ? "x" : "";
    }
    EXPECT_EQ(sharedLines, wholeLines);
    EXPECT_EQ(refusals, "x"); // the one refused file is its one share's to report
}

} // namespace
