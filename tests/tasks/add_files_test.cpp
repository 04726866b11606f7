#include "profiles/output_catalogue.h"
#include "tasks/add_files.h"
#include "tasks/clock_text.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

TEST(AddFileFilters, AreOfferedInOrderInTheDialogsForm) {
    const std::vector<std::string> texts = AddFileFilterTexts();
    ASSERT_EQ(texts.size(), 34u);
    // One list of patterns each, where the description has it, separated by
    // blanks as the dialog reads them.
    EXPECT_EQ(texts[0], "All files (*)");
    EXPECT_EQ(texts[5], "Monkey's Audio Files(*.ape *.cue)");
    EXPECT_EQ(texts[29], "High-Definition files(*.mts *.ts *.m2ts)");
    EXPECT_EQ(texts[33], "Nullsoft Stream Video(*.nsv)");
    for (const std::string& text : texts) {
        const std::string patterns = text.substr(text.rfind('('));
        EXPECT_EQ(patterns.find(';'), std::string::npos) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '('), 1) << text;
    }
}

// "All files" shows every file, also those without a "." in the name; the
// others show only their own extensions.
TEST(AddFileFilters, AllFilesMatchesNamesWithoutADot) {
    const auto matchesAny = [](const FileFilter& filter, const std::string& name) {
        std::string patterns = filter.patterns;
        for (size_t start = 0, end = 0; start <= patterns.size(); start = end + 1) {
            end = std::min(patterns.find(';', start), patterns.size());
            const std::string pattern = patterns.substr(start, end - start);
            if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) {
                return true;
            }
        }
        return false;
    };
    for (const char* name : {"README", "01", "song.mp3", "archive.tar.gz", "mix.", "a b c"}) {
        EXPECT_TRUE(matchesAny(kAddFileFilters[0], name)) << name;
    }
    EXPECT_TRUE(matchesAny(kAddFileFilters[8], "song.mp3"));
    EXPECT_FALSE(matchesAny(kAddFileFilters[8], "song"));
    EXPECT_FALSE(matchesAny(kAddFileFilters[1], "README"));
}

TEST(AddFilesFromDialog, AppendsAcceptedFilesCheckedAndNamesTheRefusedOne) {
    TaskHarness h;
    h.view.formatText = kOutputFormats[6].text;
    h.view.AppendRow("earlier.wav");
    h.view.selection = {0};
    const std::string first = FixturePath("stereo44.wav");
    const std::string third = FixturePath("video_sound.mp4");
    h.fakes.dialogs.filesToAdd = std::vector<std::string>{first, FixturePath("text.txt"), third};

    AddFilesFromDialog(h.view, h.state, h.fakes.dialogs);

    EXPECT_EQ(h.fakes.dialogs.lastFilters, AddFileFilterTexts());
    EXPECT_EQ(h.fakes.dialogs.messages,
              (std::vector<ShownMessage>{{"File:text.txt is invalid!", MessageIcon::Exclamation}}));
    ASSERT_EQ(h.view.RowCount(), 3);
    EXPECT_EQ(h.view.Column(ColumnSource), (std::vector<std::string>{"earlier.wav", first, third}));
    for (int row = 1; row <= 2; ++row) {
        const TaskRow& added = h.view.rows[static_cast<size_t>(row)];
        const int seconds = WholeSecondsOf(added.sourcePath);
        EXPECT_EQ(added.startTime, "00:00:00");
        EXPECT_EQ(added.endTime, FormatHms(seconds));
        EXPECT_EQ(added.outputFormatLabel, kOutputFormats[6].text);
        EXPECT_EQ(added.statusText, " Ready");
        EXPECT_EQ(added.durationText, std::to_string(seconds));
        EXPECT_TRUE(added.checked);
    }
    EXPECT_TRUE(h.view.selection.empty()); // row 0 was deselected
    // The window handles its events between two files (more while a slow
    // probe runs).
    EXPECT_GE(h.view.dispatchedEvents, 3);
    EXPECT_TRUE(h.view.listVisible);
}

TEST(AddFilesFromDialog, CancellingOnAnEmptyListKeepsItHidden) {
    TaskHarness h;
    h.fakes.dialogs.filesToAdd.reset();
    AddFilesFromDialog(h.view, h.state, h.fakes.dialogs);
    EXPECT_EQ(h.view.RowCount(), 0);
    EXPECT_FALSE(h.view.listVisible);
    EXPECT_TRUE(h.fakes.dialogs.messages.empty());
}

TEST(AddDroppedFiles, GoToTheTopInReverseOrderUncheckedAndUnlabelled) {
    TaskHarness h;
    h.view.AppendRow("earlier.wav");
    const std::vector<std::string> dropped = {FixturePath("stereo44.wav"), FixturePath("mono8.wav"),
                                              FixturePath("empty.wav"),
                                              FixturePath("video_sound.mp4")};
    AddDroppedFiles(h.view, h.state, h.fakes.dialogs, dropped);

    EXPECT_EQ(h.view.Column(ColumnSource),
              (std::vector<std::string>{dropped[3], dropped[1], dropped[0], "earlier.wav"}));
    EXPECT_EQ(h.view.CheckStates(), (std::vector<bool>{false, false, false, true}));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(h.view.RowText(row, ColumnFormat), "") << row;
        EXPECT_EQ(h.view.RowText(row, ColumnStatus), " Ready") << row;
    }
    EXPECT_EQ(h.fakes.dialogs.messages, (std::vector<ShownMessage>{{"File:empty.wav is invalid!",
                                                                    MessageIcon::Exclamation}}));
    EXPECT_EQ(h.view.SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(h.view.focusedRow, 0);
    // A long drop keeps the window painting as the Add command does.
    EXPECT_GE(h.view.dispatchedEvents, 4);
}

TEST(AddDroppedFiles, TheEngineIsMadeOnceAndKept) {
    TaskHarness h;
    AddDroppedFiles(h.view, h.state, h.fakes.dialogs, {FixturePath("mono8.wav")});
    AVConvert* const engine = g_engine;
    ASSERT_NE(engine, nullptr);
    AddDroppedFiles(h.view, h.state, h.fakes.dialogs, {FixturePath("mono8.wav")});
    EXPECT_EQ(g_engine, engine);
    EXPECT_EQ(h.view.RowCount(), 2); // the same file twice is two rows
}

TEST(AddFiles, PathsAreTakenAsGivenAndRefusalsNameTheFile) {
    const std::string dir = MakeScratchDir("tasks_backslash");
    const std::string odd = dir + "/a\\\\b.wav"; // a Linux name may hold backslashes
    std::filesystem::copy_file(FixturePath("mono8.wav"), odd);
    TaskHarness h;
    h.fakes.dialogs.filesToAdd = std::vector<std::string>{odd};
    AddFilesFromDialog(h.view, h.state, h.fakes.dialogs);
    EXPECT_EQ(h.view.Column(ColumnSource), std::vector<std::string>{odd});

    EXPECT_EQ(RefusedFileMessage("/music/x\\y.mp3"), "File:x\\y.mp3 is invalid!");
    EXPECT_EQ(RefusedFileMessage("plain.mp3"), "File:plain.mp3 is invalid!");
}

} // namespace
