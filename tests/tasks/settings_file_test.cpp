// The settings file and the typed output folder under hostile conditions:
// links, damaged, binary, huge and unreadable files, and "~/" in the folder
// text.
#include "tasks/ini_file.h"
#include "tasks/job_count.h"
#include "tasks/output_folder.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

struct SettingsHarness : TaskHarness {
    explicit SettingsHarness(const std::string& name) : app(MakeScratchDir(name)) {
        fs::create_directory(app + "/bin");
        locations = ResolveAppLocations(app, "", "");
    }
    std::string app;
    AppLocations locations;
};

TEST(SettingsFile, SavingThroughALinkUpdatesTheLinkedFile) {
    SettingsHarness h("tasks_settings_link");
    const std::string kept = h.app + "/dotfiles/veltrano.ini";
    fs::create_directories(h.app + "/dotfiles");
    WriteBytes(kept, "[Other]\nkey=value\n");
    // A relative link, as dotfile managers make them.
    fs::create_symlink("../dotfiles/veltrano.ini", h.locations.settingsPath);
    h.state.m_iniPath = h.locations.settingsPath;
    SaveOutputFolder(h.state, "/music/out");
    EXPECT_TRUE(fs::is_symlink(h.locations.settingsPath));
    EXPECT_EQ(ReadBytes(kept), "[Other]\nkey=value\n[Info]\nPath=/music/out\n");
    EXPECT_EQ(ReadIniValue(h.locations.settingsPath, "Info", "Path"), "/music/out");

    // A link to a file not made yet makes that file.
    const std::string later = h.app + "/dotfiles/later.ini";
    const std::string link = h.app + "/bin/later.ini";
    fs::create_symlink(later, link);
    ASSERT_TRUE(WriteIniValue(link, "Info", "Path", "/x"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(later), "[Info]\nPath=/x\n");
}

// Whatever sits at the settings path, the default folder comes quickly and
// the file is left as it was until a folder is saved.
TEST(SettingsFile, ADamagedFileGivesTheDefaultFolderAndIsKept) {
    std::mt19937 random(7);
    std::string binary(64 * 1024, '\0');
    for (char& c : binary) {
        c = static_cast<char>(random() & 0xff);
    }
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"garbage text", "}{ not = an [ini file\n\n==\n[\n]\n"},
        {"binary", binary},
        {"binary after a good key", "[Info]\nPath=/tmp/x\n" + std::string(1, '\0') + binary},
        {"a folder with a NUL", "[Info]\nPath=/tmp" + std::string(1, '\0') + "/evil\n"},
        {"a folder with control characters", "[Info]\nPath=/tmp/\x1b[31mred\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsHarness h("tasks_settings_damaged");
        WriteBytes(h.locations.settingsPath, c.bytes);
        LoadOutputFolder(h.view, h.state, h.locations);
        EXPECT_EQ(h.state.m_outputFolder, h.locations.defaultFolder);
        EXPECT_TRUE(fs::is_directory(h.locations.defaultFolder));
        EXPECT_EQ(ReadBytes(h.locations.settingsPath), c.bytes);
        // Saving a folder replaces what is no settings file.
        SaveOutputFolder(h.state, "/music/out");
        EXPECT_EQ(ReadIniValue(h.locations.settingsPath, "Info", "Path"), "/music/out");
    }
}

// 100 MB that begin like a good settings file: not read into memory at all.
TEST(SettingsFile, AHugeFileIsNotReadAndGivesWayWhenAFolderIsSaved) {
    SettingsHarness h("tasks_settings_huge");
    const std::string head = "[Info]\nPath=/tmp/from-a-huge-file\n";
    WriteBytes(h.locations.settingsPath, head);
    fs::resize_file(h.locations.settingsPath, 100 * 1024 * 1024); // sparse: no disk used
    LoadOutputFolder(h.view, h.state, h.locations);
    EXPECT_EQ(h.state.m_outputFolder, h.locations.defaultFolder);
    EXPECT_EQ(fs::file_size(h.locations.settingsPath), 100u * 1024 * 1024);
    SaveOutputFolder(h.state, "/music/out");
    EXPECT_EQ(ReadBytes(h.locations.settingsPath), "[Info]\nPath=/music/out\n");
}

TEST(SettingsFile, WhatCannotBeReadGivesTheDefaultFolderAndIsNeverReplaced) {
    struct Case {
        const char* name;
        void (*make)(const std::string& path);
    };
    const Case cases[] = {
        {"a folder", [](const std::string& p) { fs::create_directory(p); }},
        {"a pipe nobody writes to", [](const std::string& p) { mkfifo(p.c_str(), 0600); }},
        {"a link to an endless device",
         [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
        {"a link loop", [](const std::string& p) { fs::create_symlink(p, p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsHarness h("tasks_settings_unreadable");
        c.make(h.locations.settingsPath);
        LoadOutputFolder(h.view, h.state, h.locations);
        EXPECT_EQ(h.state.m_outputFolder, h.locations.defaultFolder);
        SaveOutputFolder(h.state, "/music/out");
        EXPECT_EQ(ReadIniValue(h.locations.settingsPath, "Info", "Path"), "");
    }
    // A file without read permission, for a user the permission binds.
    SettingsHarness h("tasks_settings_private");
    WriteBytes(h.locations.settingsPath, "[Info]\nPath=/secret\n");
    chmod(h.locations.settingsPath.c_str(), 0);
    if (geteuid() != 0) {
        LoadOutputFolder(h.view, h.state, h.locations);
        EXPECT_EQ(h.state.m_outputFolder, h.locations.defaultFolder);
        EXPECT_FALSE(WriteIniValue(h.locations.settingsPath, "Info", "Path", "/x"));
    }
    chmod(h.locations.settingsPath.c_str(), 0644);
    EXPECT_EQ(ReadBytes(h.locations.settingsPath), "[Info]\nPath=/secret\n");
}

// A folder this process may not write into. A privileged user writes
// wherever the file system does, whatever the folder's mode says; the process
// table stays read-only even to it.
std::string UnwritableFolder(const std::string& folder) {
    fs::create_directories(folder);
    chmod(folder.c_str(), 0555);
    return ::access(folder.c_str(), W_OK) != 0 ? folder : "/proc/1";
}

// Where the settings are kept for each kind of program folder, and that a
// later start reads back what was saved there.
TEST(SettingsFile, KeptBesideAWritableProgramElseInTheUsersConfigFolder) {
    struct Case {
        const char* name;
        std::string (*makeProgramFolder)(const std::string& scratch);
        bool keptBeside;
    };
    const Case cases[] = {
        {"writable folder without bin",
         [](const std::string& s) {
             fs::create_directories(s + "/app");
             return s + "/app";
         },
         true},
        {"writable folder with bin",
         [](const std::string& s) {
             fs::create_directories(s + "/app/bin");
             return s + "/app";
         },
         true},
        {"writable folder whose bin is a file",
         [](const std::string& s) {
             fs::create_directories(s + "/app");
             WriteBytes(s + "/app/bin", "not a folder\n");
             return s + "/app";
         },
         false},
        {"unwritable folder", [](const std::string& s) { return UnwritableFolder(s + "/app"); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string scratch = MakeScratchDir("tasks_settings_where");
        const std::string app = c.makeProgramFolder(scratch);
        const std::string config = scratch + "/config";
        const AppLocations locations = ResolveAppLocations(app, config, scratch + "/Music");
        const std::string expected = c.keptBeside ? app + "/bin/Path_Registration.ini"
                                                  : config + "/veltrano/Path_Registration.ini";
        EXPECT_EQ(locations.settingsPath, expected);

        TaskHarness first;
        LoadOutputFolder(first.view, first.state, locations);
        SaveOutputFolder(first.state, scratch + "/chosen");
        EXPECT_EQ(ReadIniValue(expected, "Info", "Path"), scratch + "/chosen");

        TaskHarness next;
        LoadOutputFolder(next.view, next.state,
                         ResolveAppLocations(app, config, scratch + "/Music"));
        EXPECT_EQ(next.state.m_outputFolder, scratch + "/chosen");
        if (app.starts_with(scratch)) {
            chmod(app.c_str(), 0755); // lets the next run clear the scratch folder
        }
    }
}

TEST(OutputFolderText, ALeadingTildeMeansTheHomeFolder) {
    const std::string home = MakeScratchDir("tasks_tilde_home");
    const std::string work = MakeScratchDir("tasks_tilde_work");
    const char* savedHome = std::getenv("HOME");
    const std::string saved = savedHome ? savedHome : "";
    setenv("HOME", home.c_str(), 1);
    const std::string previous = fs::current_path();
    fs::current_path(work);
    struct Case {
        std::string typed;
        std::string meant;
    };
    const Case cases[] = {
        {"~/Music/out", home + "/Music/out"},
        {"~", home},
        {"~other/out", "~other/out"}, // another user's home is not guessed at
        {"/srv/~/out", "/srv/~/out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TaskHarness h;
        h.state.m_outputFolder = c.typed;
        PrepareOutputFolder(h.state, h.fakes.dialogs);
        EXPECT_EQ(h.state.m_outputFolder, c.meant);
    }
    TaskHarness findTarget;
    findTarget.view.outputFolderText = "~/Found";
    OpenOutputFolder(findTarget.view, findTarget.state, findTarget.fakes.dialogs,
                     findTarget.fakes.shell);
    EXPECT_EQ(findTarget.fakes.shell.openedFolders, std::vector<std::string>{home + "/Found"});
    EXPECT_TRUE(fs::is_directory(home + "/Music/out"));
    EXPECT_FALSE(fs::exists(work + "/~")); // no folder named "~" was made
    fs::current_path(previous);
    setenv("HOME", saved.c_str(), 1);
}

// "Jobs" sets how many rows the window converts at once; anything but a
// whole number from 1 to 256 leaves the number of cores.
TEST(SettingsFile, JobsKeyGivesTheRowsConvertedAtOnce) {
    const std::string folder = MakeScratchDir("tasks_settings_jobs");
    MainWindowState state;
    state.m_iniPath = folder + "/settings.ini";
    const struct {
        const char* text;
        int jobs;
    } cases[] = {
        {"[Info]\nJobs=1\n", 1},
        {"[Info]\nPath=/x\njobs = 3\n", 3},
        {"[info]\nJOBS=256\n", 256},
        {"[Info]\nJobs=0\n", DefaultJobCount()},
        {"[Info]\nJobs=257\n", DefaultJobCount()},
        {"[Info]\nJobs=-2\n", DefaultJobCount()},
        {"[Info]\nJobs=two\n", DefaultJobCount()},
        {"[Info]\nJobs=2x\n", DefaultJobCount()},
        {"[Other]\nJobs=3\n", DefaultJobCount()},
        {"[Info]\nPath=/x\n", DefaultJobCount()},
    };
    for (const auto& c : cases) {
        WriteBytes(state.m_iniPath, c.text);
        EXPECT_EQ(WindowJobCount(state), c.jobs) << c.text;
    }
    fs::remove(state.m_iniPath);
    EXPECT_EQ(WindowJobCount(state), DefaultJobCount());
    EXPECT_GE(DefaultJobCount(), 1);
}

// "Split=0" keeps every long row on one core; anything else, or no key,
// lets it use the idle ones.
TEST(SettingsFile, SplitKeyTurnsSplitEncodingOff) {
    const std::string folder = MakeScratchDir("tasks_settings_split");
    MainWindowState state;
    state.m_iniPath = folder + "/settings.ini";
    const struct {
        const char* text;
        bool splits;
    } cases[] = {
        {"[Info]\nSplit=0\n", false}, {"[info]\nJobs=2\nsplit = 0\n", false},
        {"[Info]\nSplit=1\n", true},  {"[Info]\nSplit=yes\n", true},
        {"[Other]\nSplit=0\n", true}, {"[Info]\nJobs=2\n", true},
    };
    for (const auto& c : cases) {
        WriteBytes(state.m_iniPath, c.text);
        EXPECT_EQ(WindowSplitsRows(state), c.splits) << c.text;
    }
    fs::remove(state.m_iniPath);
    EXPECT_TRUE(WindowSplitsRows(state));
}

} // namespace
