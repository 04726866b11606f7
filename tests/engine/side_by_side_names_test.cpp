// Rows converted side by side take the names they would take one after
// another, however their conversions overtake each other.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace veltrano::test {
namespace {

namespace fs = std::filesystem;

// One row of a chain: a source file name in a folder of its own, long (it
// is still converting when the short rows after it are done) or short.
struct ChainRow {
    const char* fileName;
    bool isLong;
};

struct NamingChain {
    const char* name;
    std::vector<ChainRow> rows;
    std::vector<const char*> names; // the output names, one row after another
};

// Rows whose base names end in counters already compete with rows whose
// names gain counters: a(0)(0) is both the second a(0)'s second choice and
// the third row's first.
const NamingChain kChains[] = {
    {"CountersInTheSourceNames",
     {{"a(0).flac", true}, {"a(0).flac", true}, {"a(0)(0).flac", false}},
     {"a(0).mp3", "a(0)(0).mp3", "a(0)(0)(0).mp3"}},
    {"ACounterAfterTheOnesTaken",
     {{"b(0).flac", true}, {"b(0).flac", true}, {"b(0).flac", true}, {"b(0)(1).flac", false}},
     {"b(0).mp3", "b(0)(0).mp3", "b(0)(1).mp3", "b(0)(1)(0).mp3"}},
    {"TwoCountersDeep",
     {{"c(1)(2).flac", true}, {"c(1)(2).flac", false}, {"c(1)(2)(0).flac", false}},
     {"c(1)(2).mp3", "c(1)(2)(0).mp3", "c(1)(2)(0)(0).mp3"}},
    {"PlainNames",
     {{"s.flac", true}, {"s.flac", false}, {"s(0).flac", false}},
     {"s.mp3", "s(0).mp3", "s(0)(0).mp3"}},
};

class SideBySideNames : public testing::TestWithParam<NamingChain> {};

// Runs the chain's rows `jobs` at a time into a folder of their own; returns
// the output names, one per row.
std::vector<std::string> RunChain(const NamingChain& chain, const std::string& dir, int jobs) {
    const std::string longSource = dir + "/long.flac";
    if (!FileExists(longSource)) {
        EXPECT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=30 -ac 2 "
                              "-c:a flac",
                              longSource));
        EXPECT_TRUE(
            MakeMedia("-f lavfi -i sine=frequency=300:sample_rate=8000:duration=1 -c:a flac",
                      dir + "/short.flac"));
    }
    std::vector<BatchRow> rows;
    for (size_t i = 0; i < chain.rows.size(); ++i) {
        const std::string folder = dir + "/sources" + std::to_string(i);
        fs::create_directories(folder);
        const std::string source = folder + "/" + chain.rows[i].fileName;
        fs::copy_file(chain.rows[i].isLong ? longSource : dir + "/short.flac", source,
                      fs::copy_options::overwrite_existing);
        rows.push_back({source});
    }
    const std::string out = dir + "/out" + std::to_string(jobs);
    fs::create_directories(out);
    AVConvert engine;
    FillBatch(engine, rows, CatalogueOutput(FindOutputFormatByExtension("mp3")), out);
    engine.m_jobCount = jobs;
    ConvertBatchProc(&engine);
    std::vector<std::string> names;
    for (size_t row = 0; row < rows.size(); ++row) {
        EXPECT_EQ(TaskStatusOf(engine, static_cast<int>(row)), TaskCompleted) << row;
        const std::string& path = engine.m_outputPaths[row];
        names.push_back(path.substr(path.rfind('/') + 1));
        EXPECT_TRUE(ProbeAudio(path).ok) << path;
    }
    EXPECT_EQ(ListFolder(out).size(), rows.size());
    return names;
}

TEST_P(SideBySideNames, AreTheNamesOfOneRowAfterAnother) {
    const NamingChain& chain = GetParam();
    const std::string dir = EngineScratchDir(std::string("side_by_side_") + chain.name);
    const std::vector<std::string> expected(chain.names.begin(), chain.names.end());
    EXPECT_EQ(RunChain(chain, dir, 1), expected);
    EXPECT_EQ(RunChain(chain, dir, static_cast<int>(chain.rows.size())), expected);
}

INSTANTIATE_TEST_SUITE_P(Chains, SideBySideNames, testing::ValuesIn(kChains),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace veltrano::test
