#include "engine/output_naming.h"
#include "engine/rival_names.h"
#include "engine/work_file.h"
#include "tests/support/media_check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
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

// A work file for dir/song.mp3, finished with `text` in it.
void FinishWorkFile(const std::string& dir, WorkFile& work, const std::string& text) {
    ASSERT_EQ(CreateWorkFile(dir + "/song.mp3", work), 0);
    WriteFile(work.path, text);
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

TEST(OutputNaming, WorkFilesAreHiddenShortAndNeverShared) {
    const std::string dir = MakeScratchDir("naming_work");
    WorkFile first;
    WorkFile second;
    ASSERT_EQ(CreateWorkFile(dir + "/song.mp3", first), 0);
    ASSERT_EQ(CreateWorkFile(dir + "/song.mp3", second), 0);
    EXPECT_NE(first.path, second.path);
    for (const WorkFile* work : {&first, &second}) {
        EXPECT_EQ(work->path.substr(0, dir.size() + 1), dir + "/");
        const std::string name = FileNameOf(work->path);
        EXPECT_TRUE(IsWorkFileName(name)) << name;
        EXPECT_EQ(name.front(), '.');
        EXPECT_LT(name.size(), 32u); // leaves room for any output name
        EXPECT_TRUE(FileExists(work->path));
    }
    EXPECT_FALSE(FileExists(dir + "/song.mp3")); // nothing under the output name yet
    WorkFile missing;
    EXPECT_LT(CreateWorkFile(dir + "/no/such/folder/song.mp3", missing), 0);
    EXPECT_TRUE(missing.path.empty());
}

TEST(OutputNaming, OnlyOurOwnWorkFileNamesAreRecognised) {
    for (const char* name : {".veltrano-0123456789ab.part", ".veltrano-ffffffffffff.part"}) {
        EXPECT_TRUE(IsWorkFileName(name)) << name;
    }
    for (const char* name :
         {"veltrano-0123456789ab.part", ".veltrano-0123456789ab.mp3", ".veltrano-0123456789AB.part",
          ".veltrano-0123456789a.part", ".song.mp3.part", ".veltrano-0123456789abc.part"}) {
        EXPECT_FALSE(IsWorkFileName(name)) << name;
    }
}

TEST(OutputNaming, PublishingNeverOverwritesExistingFiles) {
    const std::string dir = MakeScratchDir("naming_existing");
    WriteFile(dir + "/song.mp3", "first");
    WriteFile(dir + "/song(0).mp3", "second");
    WorkFile work;
    FinishWorkFile(dir, work, "converted");
    const std::string workPath = work.path;
    std::string chosen;
    ASSERT_EQ(PublishOutputFile(work, dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(1).mp3");
    EXPECT_EQ(ReadFile(chosen), "converted");
    EXPECT_FALSE(FileExists(workPath));
    EXPECT_EQ(work.fd, -1); // released with its lock
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "first");
    EXPECT_EQ(ReadFile(dir + "/song(0).mp3"), "second");
    // The published file is taken too: the next one moves on.
    WorkFile again;
    FinishWorkFile(dir, again, "again");
    ASSERT_EQ(PublishOutputFile(again, dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(2).mp3");
}

TEST(OutputNaming, TreatsUnreadableFilesAndDanglingLinksAsTaken) {
    const std::string dir = MakeScratchDir("naming_unreadable");
    WriteFile(dir + "/song.mp3", "private");
    chmod((dir + "/song.mp3").c_str(), 0);
    ASSERT_EQ(symlink((dir + "/nowhere").c_str(), (dir + "/song(0).mp3").c_str()), 0);
    WorkFile work;
    FinishWorkFile(dir, work, "converted");
    std::string chosen;
    ASSERT_EQ(PublishOutputFile(work, dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song(1).mp3");
    EXPECT_FALSE(FileExists(dir + "/nowhere")); // the link was not followed
    chmod((dir + "/song.mp3").c_str(), 0644);
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "private");
}

TEST(OutputNaming, AFailedPublishKeepsTheWorkFile) {
    const std::string dir = MakeScratchDir("naming_missing");
    WorkFile work;
    FinishWorkFile(dir, work, "converted");
    const std::string workPath = work.path;
    std::string chosen = "untouched";
    EXPECT_LT(PublishOutputFile(work, dir + "/no/such/folder/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, "untouched");
    EXPECT_EQ(work.path, workPath);
    EXPECT_EQ(ReadFile(workPath), "converted");
    DiscardWorkFile(work);
    EXPECT_FALSE(FileExists(workPath));
}

// Work files of converters that still run are kept; those whose converter
// died (its lock went with it) are removed, and nothing else is touched.
TEST(OutputNaming, OnlyAbandonedWorkFilesAreRemoved) {
    const std::string dir = MakeScratchDir("naming_stale");
    WorkFile held;
    FinishWorkFile(dir, held, "still being written");
    const std::string abandoned = dir + "/.veltrano-00000000abcd.part";
    WriteFile(abandoned, "left by a crash");
    const std::string abandonedEmpty = dir + "/.veltrano-00000000abce.part";
    WriteFile(abandonedEmpty, "");
    const std::string others[] = {dir + "/.song.mp3.part", dir + "/song.mp3",
                                  dir + "/.veltrano-notours.part"};
    for (const std::string& other : others) {
        WriteFile(other, "not ours");
    }
    EXPECT_EQ(RemoveStaleWorkFiles(dir), 1);
    EXPECT_FALSE(FileExists(abandoned));
    // A fresh empty one may belong to a converter about to lock it.
    EXPECT_TRUE(FileExists(abandonedEmpty));
    EXPECT_EQ(ReadFile(held.path), "still being written");
    for (const std::string& other : others) {
        EXPECT_EQ(ReadFile(other), "not ours") << other;
    }
}

// Rows compete for a name when some candidate of one is a candidate of the
// other; such rows must share a group, or rows side by side could take
// names in another order than one after another.
std::set<std::string> CandidatesOf(const std::string& baseName, bool ignoreCase) {
    std::set<std::string> names;
    for (int counter = -1; counter < 12; ++counter) {
        std::string name = OutputNameCandidate(baseName, counter);
        if (ignoreCase) {
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        }
        names.insert(name);
    }
    return names;
}

bool Compete(const std::string& a, const std::string& b, bool ignoreCase) {
    const std::set<std::string> first = CandidatesOf(a, ignoreCase);
    const std::set<std::string> second = CandidatesOf(b, ignoreCase);
    return std::any_of(first.begin(), first.end(),
                       [&](const std::string& name) { return second.count(name) > 0; });
}

TEST(RivalNames, RowsThatCanWantTheSameNameShareAGroup) {
    const std::string bases[] = {
        "/o/a.mp3",      "/o/a(0).mp3",    "/o/a(0)(0).mp3", "/o/a(1)(0).mp3", "/o/a(0)(0)(0).mp3",
        "/o/a(x).mp3",   "/o/a(x)(0).mp3", "/o/a(0)x.mp3",   "/o/A.mp3",       "/o/A(0).MP3",
        "/o/a(0).wav",   "/o/.mp3",        "/o/(0).mp3",     "/o/a",           "/o/a(0)",
        "/o/a()(0).mp3", "/p/a(0).mp3",    "/o.d/a(0)",      "/o/b(2).mp3",    "/o/B(2)(0).mp3"};
    for (const bool ignoreCase : {false, true}) {
        for (const std::string& a : bases) {
            for (const std::string& b : bases) {
                if (Compete(a, b, ignoreCase)) {
                    EXPECT_EQ(RivalNameGroup(a, ignoreCase), RivalNameGroup(b, ignoreCase))
                        << a << " and " << b << (ignoreCase ? ", case ignored" : "");
                }
            }
        }
    }
}

TEST(RivalNames, GroupsSetAsideEveryCounterAndFoldCaseOnlyWhereTheFolderDoes) {
    struct Case {
        const char* a;
        const char* b;
        bool ignoreCase;
        bool sameGroup;
    };
    const Case cases[] = {
        {"/o/a(0).mp3", "/o/a(0)(0).mp3", false, true},
        {"/o/a(0)(0)(7).mp3", "/o/a.mp3", false, true},
        {"/o/a(x).mp3", "/o/a.mp3", false, false},
        {"/o/a(0).mp3", "/o/a(0).wav", false, false},
        {"/o/Song.mp3", "/o/song(0).mp3", false, false},
        {"/o/Song.mp3", "/o/song(0).mp3", true, true},
        {"/o/SONG(0).MP3", "/o/song.mp3", true, true},
        {"/o/\xc3\x89lan.mp3", "/o/\xc3\xa9lan(1).mp3", true, true},
        {"/o/\xc3\x89lan.mp3", "/o/\xc3\xa9lan(1).mp3", false, false},
        // Only the file name is folded: the folders are the ones given.
        {"/O/song.mp3", "/o/song.mp3", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RivalNameGroup(c.a, c.ignoreCase) == RivalNameGroup(c.b, c.ignoreCase),
                  c.sameGroup)
            << c.a << " and " << c.b << (c.ignoreCase ? ", case ignored" : "");
    }
}

TEST(RivalNames, AnOrdinaryFolderKeepsCaseAndIsLeftAsItWas) {
    const std::string dir = MakeScratchDir("rival_names_case");
    EXPECT_FALSE(FolderIgnoresCase(dir));
    EXPECT_FALSE(FolderIgnoresCase(dir + "/missing"));
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_TRUE(left.empty());
}

// An incremental run renews its output under the same name: the finished
// file takes the old one's place in one rename, and no work file stays.
TEST(OutputNaming, ReplacingPutsTheNewFileAtTheExactName) {
    const std::string dir = MakeScratchDir("naming_replace");
    WriteFile(dir + "/song.mp3", "old");
    WorkFile work;
    FinishWorkFile(dir, work, "new");
    const std::string workPath = work.path;
    std::string chosen;
    ASSERT_EQ(ReplaceOutputFile(work, dir + "/song.mp3", chosen), 0);
    EXPECT_EQ(chosen, dir + "/song.mp3");
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "new");
    EXPECT_FALSE(FileExists(workPath));
    EXPECT_FALSE(FileExists(dir + "/song(0).mp3"));
    EXPECT_EQ(work.fd, -1);

    WorkFile failing;
    FinishWorkFile(dir, failing, "newer");
    EXPECT_LT(ReplaceOutputFile(failing, dir + "/no/such/folder/song.mp3", chosen), 0);
    EXPECT_TRUE(FileExists(failing.path)); // left for the caller to discard
    EXPECT_EQ(ReadFile(dir + "/song.mp3"), "new");
    DiscardWorkFile(failing);
}

} // namespace
