// Whole folders of music: dropped on the window or chosen with Add Folder.
#include "profiles/output_catalogue.h"
#include "resources/control_ids.h"
#include "tasks/add_files.h"
#include "tasks/folder_files.h"
#include "tasks/task_list.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

// Music/10.wav, Music/A/CD1/01.wav, Music/A/notes.txt, Music/B/01.wav and
// Music/B/02.wav, with what must stay out: hidden files and folders, and the
// output folder Music/out with an earlier output in it.
struct MusicTree {
    explicit MusicTree(const std::string& name) : root(MakeScratchDir(name) + "/Music") {
        Put("mono8.wav", "B/02.wav");
        Put("stereo44.wav", "B/01.wav");
        Put("mono8.wav", "A/CD1/01.wav");
        Put("text.txt", "A/notes.txt");
        Put("mono8.wav", "A/.hidden.wav");
        Put("mono8.wav", ".cache/x.wav");
        Put("mono8.wav", "10.wav");
        Put("mono8.wav", "out/10.mp3");
    }
    void Put(const std::string& fixture, const std::string& relative) {
        fs::create_directories(fs::path(root + "/" + relative).parent_path());
        fs::copy_file(FixturePath(fixture), root + "/" + relative);
    }
    std::string Path(const std::string& relative) const { return root + "/" + relative; }
    std::vector<std::string> MediaInNameOrder() const {
        return {Path("10.wav"), Path("A/CD1/01.wav"), Path("B/01.wav"), Path("B/02.wav")};
    }
    std::string root;
    std::string outputFolder = root + "/out";
};

const ShownMessage kNotesRefused{"File:notes.txt is invalid!", MessageIcon::Exclamation};

TEST(FolderFiles, ListsTheTreeInNameOrderWithoutHiddenFilesOrTheOutputFolder) {
    const MusicTree tree("tasks_folder_list");
    EXPECT_EQ(FilesInFolder(tree.root, tree.outputFolder),
              (std::vector<std::string>{"10.wav", "A/CD1/01.wav", "A/notes.txt", "B/01.wav",
                                        "B/02.wav"}));
    // Without an output folder inside, its files count like any others; a
    // trailing "/" names the same folder.
    EXPECT_EQ(FilesInFolder(tree.root + "/", "/nowhere").back(), "out/10.mp3");
    // Converting a folder into itself: its files are the sources.
    EXPECT_EQ(FilesInFolder(tree.outputFolder, tree.outputFolder + "/"),
              std::vector<std::string>{"10.mp3"});
    EXPECT_TRUE(FilesInFolder(tree.root + "/missing", "").empty());
}

TEST(FolderFiles, LinksToFoldersAreNotFollowedSoNoLinkMakesALoop) {
    const MusicTree tree("tasks_folder_links");
    fs::create_directory_symlink(tree.root, tree.root + "/B/loop");
    fs::create_symlink(tree.root + "/10.wav", tree.root + "/B/03.wav");
    EXPECT_EQ(FilesInFolder(tree.root + "/B", ""),
              (std::vector<std::string>{"01.wav", "02.wav", "03.wav"}));
}

TEST(AddDroppedFiles, AFolderPutsItsFilesAtTheTopInNameOrder) {
    const MusicTree tree("tasks_folder_drop");
    TaskHarness h;
    h.view.outputFolderText = tree.outputFolder;
    h.view.AppendRow("earlier.wav");
    AddDroppedFiles(h.view, h.state, h.fakes.dialogs, {tree.root});

    std::vector<std::string> expected = tree.MediaInNameOrder();
    expected.push_back("earlier.wav");
    EXPECT_EQ(h.view.Column(ColumnSource), expected);
    EXPECT_EQ(h.view.CheckStates(), (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(h.view.RowText(0, ColumnFormat), "");
    EXPECT_EQ(h.view.RowText(2, ColumnEnd), "00:00:05");
    EXPECT_EQ(h.fakes.dialogs.messages, std::vector<ShownMessage>{kNotesRefused});
    EXPECT_EQ(h.view.SelectedRows(), std::vector<int>{0});
}

TEST(AddFolderFromDialog, AppendsTheChosenFoldersFilesCheckedAndLabelled) {
    const MusicTree tree("tasks_folder_add");
    TaskHarness h;
    h.view.formatText = kOutputFormats[6].text;
    h.view.outputFolderText = tree.outputFolder;
    h.view.AppendRow("earlier.wav");
    h.fakes.dialogs.folderChoices = {tree.root, std::nullopt};

    AddFolderFromDialog(h.view, h.state, h.fakes.dialogs);
    std::vector<std::string> expected = {"earlier.wav"};
    for (const std::string& path : tree.MediaInNameOrder()) {
        expected.push_back(path);
    }
    EXPECT_EQ(h.view.Column(ColumnSource), expected);
    EXPECT_EQ(h.view.CheckStates(), std::vector<bool>(5, true));
    EXPECT_EQ(h.view.Column(ColumnFormat), std::vector<std::string>(5, kOutputFormats[6].text));
    EXPECT_EQ(h.fakes.dialogs.messages, std::vector<ShownMessage>{kNotesRefused});
    EXPECT_EQ(h.fakes.dialogs.chooserTitles, std::vector<std::string>{kChooseAddFolderTitle});
    // Waiting events are handled between two files, as for the Add command.
    EXPECT_GE(h.view.dispatchedEvents, 5);

    // Cancelled: nothing more.
    AddFolderFromDialog(h.view, h.state, h.fakes.dialogs);
    EXPECT_EQ(h.view.RowCount(), 5);
    EXPECT_EQ(h.fakes.dialogs.messages.size(), 1u);
}

// A music folder holds a rip log per album: the files left out come in one
// box, its list cut after the first twenty.
TEST(AddFolderFromDialog, NamesTheFilesLeftOutInOneMessage) {
    const std::string root = MakeScratchDir("tasks_folder_logs") + "/Logs";
    std::vector<std::string> lines;
    for (int album = 10; album < 35; ++album) {
        const std::string name = "rip" + std::to_string(album) + ".log";
        fs::create_directories(root);
        fs::copy_file(FixturePath("text.txt"), root + "/" + name);
        lines.push_back("File:" + name + " is invalid!");
    }
    fs::copy_file(FixturePath("mono8.wav"), root + "/song.wav");
    TaskHarness h;
    h.view.outputFolderText = root + "/out";
    h.fakes.dialogs.folderChoices = {root};

    AddFolderFromDialog(h.view, h.state, h.fakes.dialogs);

    EXPECT_EQ(h.view.Column(ColumnSource), std::vector<std::string>{root + "/song.wav"});
    std::string expected;
    for (int line = 0; line < 20; ++line) {
        expected += lines[static_cast<size_t>(line)] + "\n";
    }
    expected += "and 5 more invalid files.";
    EXPECT_EQ(h.fakes.dialogs.messages,
              (std::vector<ShownMessage>{{expected, MessageIcon::Exclamation}}));
}

TEST(AddFolderFromDialog, IsTheTaskMenusAddFolderItem) {
    const MusicTree tree("tasks_folder_menu");
    TaskHarness h;
    h.view.outputFolderText = tree.outputFolder;
    h.fakes.dialogs.folderChoices = {tree.root + "/B"};
    h.view.menuChoice = ids::kMenuAddFolder;
    ShowTaskContextMenu(h.view, h.state, h.fakes.dialogs);
    EXPECT_EQ(h.view.Column(ColumnSource),
              (std::vector<std::string>{tree.Path("B/01.wav"), tree.Path("B/02.wav")}));
}

} // namespace
