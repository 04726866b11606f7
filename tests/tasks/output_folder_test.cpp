#include "tasks/ini_file.h"
#include "tasks/output_folder.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::vector<std::string> FolderListing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(AppLocations, BesideAWritableProgramElseInTheUsersFolders) {
    const std::string app = MakeScratchDir("tasks_locations");
    const AppLocations beside = ResolveAppLocations(app, "/cfg", "/music");
    EXPECT_EQ(beside.settingsPath, app + "/bin/Path_Registration.ini");
    EXPECT_EQ(beside.defaultFolder, app + "/OutPut");
    EXPECT_FALSE(beside.makeSettingsFolder);

    const AppLocations user = ResolveAppLocations(app + "/missing", "/cfg", "/music");
    EXPECT_EQ(user.settingsPath, "/cfg/veltrano/Path_Registration.ini");
    EXPECT_EQ(user.defaultFolder, "/music/OutPut");
    EXPECT_TRUE(user.makeSettingsFolder);
}

struct FolderHarness : TaskHarness {
    explicit FolderHarness(const std::string& name) : app(MakeScratchDir(name)) {
        fs::create_directory(app + "/bin");
        locations = ResolveAppLocations(app, "", "");
    }
    void Load() { LoadOutputFolder(view, state, locations); }
    std::string app;
    AppLocations locations;
};

TEST(LoadOutputFolder, WithoutARememberedFolderMakesTheDefaultOne) {
    const std::vector<std::string> settings = {"", "[Info]\n", "[Info]\nPath=\n",
                                               "[Other]\nPath=/elsewhere\n"};
    for (const std::string& text : settings) {
        SCOPED_TRACE("settings file '" + text + "'");
        FolderHarness h("tasks_load_default");
        if (!text.empty()) {
            WriteText(h.locations.settingsPath, text);
        }
        h.Load();
        EXPECT_EQ(h.state.m_iniPath, h.app + "/bin/Path_Registration.ini");
        EXPECT_EQ(h.state.m_outputFolder, h.app + "/OutPut");
        EXPECT_TRUE(fs::is_directory(h.app + "/OutPut"));
        EXPECT_EQ(h.view.folderEntries, std::vector<std::string>{h.app + "/OutPut"});
        EXPECT_EQ(h.view.shownFolder, h.app + "/OutPut");
    }
}

TEST(LoadOutputFolder, TakesTheRememberedFolderUnchecked) {
    FolderHarness h("tasks_load_remembered");
    WriteText(h.locations.settingsPath, "; kept by hand\n[INFO]\n  PATH = " + h.app + "/gone \n");
    h.Load();
    EXPECT_EQ(h.state.m_outputFolder, h.app + "/gone");
    EXPECT_FALSE(fs::exists(h.app + "/gone"));
    EXPECT_FALSE(fs::exists(h.app + "/OutPut"));
    EXPECT_EQ(h.view.folderEntries, std::vector<std::string>{h.app + "/gone"});
}

TEST(SaveOutputFolder, IsReadAtTheNextStart) {
    FolderHarness first("tasks_save_remembered");
    first.Load();
    SaveOutputFolder(first.state, "/data/my music/out");
    EXPECT_EQ(ReadText(first.locations.settingsPath), "[Info]\nPath=/data/my music/out\n");

    TaskHarness next;
    LoadOutputFolder(next.view, next.state, first.locations);
    EXPECT_EQ(next.state.m_outputFolder, "/data/my music/out");
}

TEST(SaveOutputFolder, KeepsTheRestOfTheFileAndLeavesNoTemporaryFile) {
    FolderHarness h("tasks_save_keeps");
    WriteText(h.locations.settingsPath, "[Other]\npath=/other\n\n[info]\nColour=blue\n"
                                        "PATH=/old\n; note\n\n[Last]\nx=1\n");
    h.Load();
    SaveOutputFolder(h.state, "/new");
    EXPECT_EQ(ReadText(h.locations.settingsPath), "[Other]\npath=/other\n\n[info]\nColour=blue\n"
                                                  "Path=/new\n; note\n\n[Last]\nx=1\n");

    WriteText(h.locations.settingsPath, "[Other]\nx=1\n\n[Info]\nColour=blue\n\n[Last]\ny=2\n");
    SaveOutputFolder(h.state, "/added");
    EXPECT_EQ(ReadText(h.locations.settingsPath),
              "[Other]\nx=1\n\n[Info]\nColour=blue\nPath=/added\n\n[Last]\ny=2\n");
    EXPECT_EQ(FolderListing(h.app + "/bin"), std::vector<std::string>{"Path_Registration.ini"});
}

TEST(SaveOutputFolder, StoresNothingWithoutAUsableBinFolder) {
    for (const bool binIsAFile : {false, true}) {
        SCOPED_TRACE(binIsAFile ? "bin is a file" : "no bin folder");
        FolderHarness h("tasks_save_nobin");
        fs::remove(h.app + "/bin");
        if (binIsAFile) {
            WriteText(h.app + "/bin", "not a folder\n");
        }
        h.Load();
        SaveOutputFolder(h.state, "/new");
        EXPECT_FALSE(fs::is_directory(h.app + "/bin"));
        EXPECT_EQ(ReadIniValue(h.locations.settingsPath, "Info", "Path"), "");
        TaskHarness next;
        LoadOutputFolder(next.view, next.state, h.locations);
        EXPECT_EQ(next.state.m_outputFolder, h.app + "/OutPut");
    }
}

TEST(SaveOutputFolder, MakesTheUsersSettingsFolder) {
    const std::string home = MakeScratchDir("tasks_save_user");
    const AppLocations locations =
        ResolveAppLocations(home + "/no-program", home + "/config", home + "/Music");
    TaskHarness h;
    LoadOutputFolder(h.view, h.state, locations);
    EXPECT_TRUE(fs::is_directory(home + "/Music/OutPut"));
    SaveOutputFolder(h.state, home + "/Music/OutPut");
    EXPECT_EQ(ReadIniValue(home + "/config/veltrano/Path_Registration.ini", "info", "path"),
              home + "/Music/OutPut");
}

TEST(BrowseOutputFolder, AsksAgainUntilAnExistingFolderOrCancel) {
    const std::string dir = MakeScratchDir("tasks_browse");
    WriteText(dir + "/file", "x\n");
    TaskHarness h;
    h.view.folderEntries = {dir};
    h.fakes.dialogs.folderChoices = {dir + "/missing", dir + "/file", dir};
    BrowseOutputFolder(h.view, h.state, h.fakes.dialogs);
    const ShownMessage invalid{"The output folder name is invalid!", MessageIcon::None};
    EXPECT_EQ(h.fakes.dialogs.messages, (std::vector<ShownMessage>{invalid, invalid}));
    EXPECT_EQ(h.fakes.dialogs.chooserTitles,
              std::vector<std::string>(3, "Please select output folder:"));
    EXPECT_EQ(h.state.m_outputFolder, dir);
    EXPECT_EQ(h.view.folderEntries, (std::vector<std::string>{dir, dir}));
    EXPECT_EQ(h.view.shownFolder, dir);

    TaskHarness cancelled;
    cancelled.state.m_outputFolder = "/before";
    BrowseOutputFolder(cancelled.view, cancelled.state, cancelled.fakes.dialogs);
    EXPECT_EQ(cancelled.state.m_outputFolder, "/before");
    EXPECT_TRUE(cancelled.view.folderEntries.empty());
}

// The chooser opens in the folder the Save to field shows, when it exists.
TEST(BrowseOutputFolder, StartsInTheShownOutputFolder) {
    const std::string dir = MakeScratchDir("tasks_browse_start");
    struct Case {
        std::string shown;
        std::string start;
    };
    const Case cases[] = {{dir, dir}, {dir + "/missing", ""}, {"", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        TaskHarness h;
        h.view.outputFolderText = c.shown;
        BrowseOutputFolder(h.view, h.state, h.fakes.dialogs);
        EXPECT_EQ(h.fakes.dialogs.chooserStarts, std::vector<std::string>{c.start});
    }
}

TEST(OpenOutputFolder, MakesATypedFolderOpensItAndListsItOnce) {
    const std::string dir = MakeScratchDir("tasks_find_target");
    TaskHarness h;
    h.view.outputFolderText = dir + "/new/sub";
    OpenOutputFolder(h.view, h.state, h.fakes.dialogs, h.fakes.shell);
    OpenOutputFolder(h.view, h.state, h.fakes.dialogs, h.fakes.shell);
    EXPECT_TRUE(fs::is_directory(dir + "/new/sub"));
    EXPECT_EQ(h.fakes.shell.openedFolders, std::vector<std::string>(2, dir + "/new/sub"));
    EXPECT_EQ(h.view.folderEntries, std::vector<std::string>{dir + "/new/sub"});
    EXPECT_TRUE(h.fakes.dialogs.messages.empty());

    WriteText(dir + "/file", "x\n");
    TaskHarness refused;
    refused.view.outputFolderText = dir + "/file";
    OpenOutputFolder(refused.view, refused.state, refused.fakes.dialogs, refused.fakes.shell);
    EXPECT_EQ(refused.fakes.dialogs.messages,
              (std::vector<ShownMessage>{{kMissingFolderMessage, MessageIcon::None}}));
    EXPECT_TRUE(refused.fakes.shell.openedFolders.empty());
    EXPECT_TRUE(refused.view.folderEntries.empty());
}

TEST(PrepareOutputFolder, DecidesWhetherABatchMayStart) {
    const std::string dir = MakeScratchDir("tasks_prepare");
    WriteText(dir + "/file", "x\n");
    struct Case {
        std::string folder;
        bool ready;
        bool message;
    };
    const Case cases[] = {
        {"\\", false, false},         {"", false, true},
        {dir + "/file", false, true}, {dir + "/made/here", true, false},
        {dir, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("folder '" + c.folder + "'");
        TaskHarness h;
        h.state.m_outputFolder = c.folder;
        EXPECT_EQ(PrepareOutputFolder(h.state, h.fakes.dialogs), c.ready);
        EXPECT_EQ(h.fakes.dialogs.messages.size(), c.message ? 1u : 0u);
        if (c.ready) {
            EXPECT_TRUE(fs::is_directory(c.folder));
        }
    }
}

} // namespace
