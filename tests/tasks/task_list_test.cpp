#include "resources/control_ids.h"
#include "tasks/add_files.h"
#include "tasks/task_list.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace veltrano::test;

constexpr int kButtonOrder[] = {ids::kConvert, ids::kCut, ids::kEmpty, ids::kSetting,
                                ids::kFileInformation};

// The task buttons as "1" on, "0" off, in the order Convert, Cut, Empty,
// Setting, File Information.
std::string ButtonStates(const FakeMainView& view) {
    std::string states;
    for (const int id : kButtonOrder) {
        states += view.IsButtonEnabled(id) ? '1' : '0';
    }
    return states;
}

// Expected states with "-" (unchanged) resolved against the states before.
std::string Resolve(const std::string& expected, bool before) {
    std::string states = expected;
    for (char& c : states) {
        if (c == '-') {
            c = before ? '1' : '0';
        }
    }
    return states;
}

void AddOneRowSelected(TaskHarness& h, const std::string& path) {
    h.view.AppendRow(path);
    h.view.selection = {0};
}

struct ButtonCase {
    const char* event;
    std::function<void(TaskHarness&)> act;
    const char* expected; // Convert, Cut, Empty, Setting, File Information
};

TEST(TaskButtons, FollowTheRowsAndTheSelection) {
    const std::string stereo = FixturePath("stereo44.wav");
    const ButtonCase cases[] = {
        {"added, n >= 1",
         [&](TaskHarness& h) {
             h.fakes.dialogs.filesToAdd = std::vector<std::string>{stereo};
             AddFilesFromDialog(h.view, h.state, h.fakes.dialogs);
         },
         "11111"},
        {"added, none valid and n = 0",
         [](TaskHarness& h) {
             h.fakes.dialogs.filesToAdd = std::vector<std::string>{FixturePath("text.txt")};
             AddFilesFromDialog(h.view, h.state, h.fakes.dialogs);
         },
         "0-000"},
        {"removed, n = 0",
         [&](TaskHarness& h) {
             AddOneRowSelected(h, stereo);
             RemoveSelectedTask(h.view);
         },
         "00000"},
        {"removed, n >= 1",
         [&](TaskHarness& h) {
             AddOneRowSelected(h, stereo);
             h.view.AppendRow(stereo);
             RemoveSelectedTask(h.view);
         },
         "-----"},
        {"cleared",
         [&](TaskHarness& h) {
             AddOneRowSelected(h, stereo);
             ClearAllTasks(h.view);
         },
         "00000"},
        {"click, no selection",
         [&](TaskHarness& h) {
             h.view.AppendRow(stereo);
             OnTaskListClick(h.view, h.state, h.fakes.dialogs);
         },
         "-0--0"},
        {"click, probe ok",
         [&](TaskHarness& h) {
             AddOneRowSelected(h, stereo);
             OnTaskListClick(h.view, h.state, h.fakes.dialogs);
         },
         "11--1"},
        {"click, probe fails",
         [](TaskHarness& h) {
             AddOneRowSelected(h, "/nonexistent/gone.wav");
             OnTaskListClick(h.view, h.state, h.fakes.dialogs);
         },
         "-----"},
        {"menu, selection",
         [&](TaskHarness& h) {
             AddOneRowSelected(h, stereo);
             ShowTaskContextMenu(h.view, h.state, h.fakes.dialogs);
         },
         "11--1"},
        {"menu, no selection",
         [&](TaskHarness& h) {
             h.view.AppendRow(stereo);
             ShowTaskContextMenu(h.view, h.state, h.fakes.dialogs);
         },
         "-0--0"},
    };
    for (const ButtonCase& c : cases) {
        for (const bool before : {false, true}) {
            SCOPED_TRACE(std::string(c.event) + (before ? ", buttons on" : ", buttons off"));
            TaskHarness h;
            for (const int id : kButtonOrder) {
                h.view.SetButtonEnabled(id, before);
            }
            c.act(h);
            EXPECT_EQ(ButtonStates(h.view), Resolve(c.expected, before));
        }
    }
}

struct RemoveCase {
    const char* name;
    int rows;
    std::set<int> selection;
    std::vector<std::string> remaining;
    int selectedAfter; // -1: the selection is not touched
};

TEST(RemoveSelectedTask, SelectsTheRowThatTakesThePlaceOfTheRemovedOne) {
    const RemoveCase cases[] = {
        {"last of three", 3, {2}, {"a.wav", "b.wav"}, 1},
        {"middle of three", 3, {1}, {"a.wav", "c.wav"}, 1},
        {"first of two selected", 3, {0, 2}, {"b.wav", "c.wav"}, 0},
        {"nothing selected", 2, {}, {"a.wav", "b.wav"}, -1},
    };
    const std::string names[] = {"a.wav", "b.wav", "c.wav"};
    for (const RemoveCase& c : cases) {
        SCOPED_TRACE(c.name);
        TaskHarness h;
        for (int row = 0; row < c.rows; ++row) {
            h.view.AppendRow(names[row]);
        }
        h.view.listVisible = true;
        h.view.selection = c.selection;
        RemoveSelectedTask(h.view);
        EXPECT_EQ(h.view.Column(ColumnSource), c.remaining);
        EXPECT_TRUE(h.view.listVisible);
        if (c.selectedAfter >= 0) {
            EXPECT_EQ(h.view.SelectedRows(), std::vector<int>{c.selectedAfter});
            EXPECT_EQ(h.view.focusedRow, c.selectedAfter);
        } else {
            EXPECT_EQ(h.view.SelectedRows(),
                      std::vector<int>(c.selection.begin(), c.selection.end()));
        }
    }
}

TEST(RemoveSelectedTask, RemovingTheOnlyRowHidesTheListAndEveryTaskButton) {
    TaskHarness h;
    h.view.AppendRow("a.wav");
    h.view.selection = {0};
    h.view.listVisible = true;
    for (const int id : kButtonOrder) {
        h.view.SetButtonEnabled(id, true);
    }
    RemoveSelectedTask(h.view);
    EXPECT_EQ(h.view.RowCount(), 0);
    EXPECT_FALSE(h.view.listVisible);
    EXPECT_EQ(ButtonStates(h.view), "00000");
}

TEST(TaskListClick, AFileGoneSinceItWasAddedIsNamedAndGivesNoFileInformation) {
    TaskHarness h;
    const std::string gone = MakeScratchDir("tasks_gone") + "/gone.wav";
    AddOneRowSelected(h, gone);
    OnTaskListClick(h.view, h.state, h.fakes.dialogs);
    EXPECT_EQ(h.fakes.dialogs.messages, (std::vector<ShownMessage>{{"File:" + gone + " invalid!",
                                                                    MessageIcon::Exclamation}}));

    ShowFileInformationCommand(h.view, h.state);
    EXPECT_EQ(h.view.fileInformationShows, 0);
    EXPECT_EQ(h.fakes.dialogs.messages.size(), 1u);
}

TEST(TaskContextMenu, RunsTheChosenItem) {
    const std::string stereo = FixturePath("stereo44.wav");
    struct MenuCase {
        int choice;
        std::function<void(const TaskHarness&)> check;
    };
    const MenuCase cases[] = {
        {0, [](const TaskHarness& h) { EXPECT_EQ(h.view.RowCount(), 2); }},
        {ids::kMenuAddFiles, [](const TaskHarness& h) { EXPECT_EQ(h.view.RowCount(), 3); }},
        {ids::kMenuRemove,
         [&](const TaskHarness& h) {
             EXPECT_EQ(h.view.Column(ColumnSource), std::vector<std::string>{"b.wav"});
         }},
        {ids::kMenuClearAll, [](const TaskHarness& h) { EXPECT_EQ(h.view.RowCount(), 0); }},
        {ids::kMenuFileInformation,
         [](const TaskHarness& h) { EXPECT_EQ(h.view.fileInformationShows, 1); }},
        {ids::kMenuClip,
         [](const TaskHarness& h) { EXPECT_EQ(h.view.clipRows, std::vector<int>{0}); }},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.choice);
        TaskHarness h;
        h.view.AppendRow(stereo);
        h.view.rows[0].sourcePath = stereo;
        h.view.AppendRow("b.wav");
        h.view.selection = {0};
        h.view.menuChoice = c.choice;
        h.fakes.dialogs.filesToAdd = std::vector<std::string>{stereo};
        ShowTaskContextMenu(h.view, h.state, h.fakes.dialogs);
        EXPECT_EQ(h.view.menusShown, std::vector<bool>{true});
        c.check(h);
    }
}

TEST(ClipCommand, ShowsTheClipDialogForEachSelectedRowInOrder) {
    TaskHarness h;
    for (int row = 0; row < 5; ++row) {
        h.view.AppendRow("row" + std::to_string(row) + ".wav");
    }
    ClipSelectedRows(h.view, h.state);
    EXPECT_TRUE(h.view.clipRows.empty());

    h.view.selection = {4, 1, 3};
    ClipSelectedRows(h.view, h.state);
    EXPECT_EQ(h.view.clipRows, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(h.view.listFocusCount, 3);
}

TEST(GatherTaskFacts, DescribesTheFirstSelectedRowFromAFreshProbe) {
    TaskHarness h;
    EXPECT_FALSE(GatherTaskFacts(h.view, h.state)); // nothing selected

    h.view.AppendRow(FixturePath("stereo44.wav"));
    h.view.AppendRow(FixturePath("video_sound.mp4"));
    h.view.rows[1].endTime = "00:00:03"; // trimmed by the Clip dialog
    h.view.selection = {1, 0};
    ASSERT_TRUE(GatherTaskFacts(h.view, h.state));
    // Row 0 is the first selected row.
    EXPECT_EQ(g_fileInfoTexts.filePathText, FixturePath("stereo44.wav"));
    EXPECT_EQ(g_fileInfoTexts.channelsText, "2");
    EXPECT_EQ(g_fileInfoTexts.sampleRateText, "44100");
    EXPECT_EQ(g_fileInfoTexts.widthText, "0");

    h.view.selection = {1};
    ASSERT_TRUE(GatherTaskFacts(h.view, h.state));
    const FileInfoTexts& facts = g_fileInfoTexts;
    EXPECT_EQ(facts.filePathText, FixturePath("video_sound.mp4"));
    EXPECT_EQ(facts.endTimeText, "00:00:03");
    EXPECT_EQ(facts.widthText, "160");
    EXPECT_EQ(facts.heightText, "120");
    EXPECT_EQ(facts.frameRateText, "25.00 fps");
    EXPECT_GT(std::stoi(facts.videoCodecText), 0);
    EXPECT_GT(std::stoi(facts.audioCodecText), 0);
    EXPECT_EQ(facts.channelsText, "2");
    EXPECT_EQ(facts.sampleRateText, "44100");
    EXPECT_GT(std::stoi(facts.audioBitRateText), 0);

    // A file without pictures after one with: no frame rate of the earlier file.
    h.view.selection = {0};
    ASSERT_TRUE(GatherTaskFacts(h.view, h.state));
    EXPECT_EQ(g_fileInfoTexts.frameRateText, " 0.00 fps");
}

TEST(GatherTaskFacts, NoFrameRateYetReadsAsZero) {
    AVConvert engine; // no file with pictures probed yet: 0 / 0
    engine.m_videoStream = 0;
    EXPECT_EQ(TaskFactsFromProbe(engine, "a.wav", "00:00:01").frameRateText, " 0.00 fps");
    engine.m_frameRateNum = 30000;
    engine.m_frameRateDen = 1001;
    EXPECT_EQ(TaskFactsFromProbe(engine, "a.mp4", "00:00:01").frameRateText, "29.97 fps");
}

} // namespace
