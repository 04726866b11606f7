// Adding a folder's worth of files: the probes run side by side, yet rows and
// messages come out as one probe at a time gives them, and Cancel keeps what
// was added so far.
#include "profiles/output_catalogue.h"
#include "tasks/add_files.h"
#include "tasks/clock_text.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <ostream>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

// Sources of differing probe cost (a video's decoder is opened, a WAV is
// read at once) and two the probe refuses, repeated under 40 names.
const std::vector<std::pair<const char*, const char*>> kSourceCycle = {
    {"video_sound.mp4", "mp4"}, {"mono8.wav", "wav"},        {"tagged.ogg", "ogg"},
    {"text.txt", "txt"},        {"surround48.flac", "flac"}, {"stereo44.wav", "wav"},
    {"empty.wav", "wav"},
};
constexpr int kFileCount = 40;

bool IsRefusedSource(const std::string& fixture) {
    return fixture == "text.txt" || fixture == "empty.wav";
}

// f00.mp4 ... f39.wav in a folder, each a copy of a fixture.
struct ManyFiles {
    explicit ManyFiles(const std::string& name) : root(MakeScratchDir(name) + "/Many") {
        fs::create_directories(root);
        for (int i = 0; i < kFileCount; ++i) {
            const auto& [fixture, extension] = kSourceCycle[i % kSourceCycle.size()];
            char fileName[32];
            std::snprintf(fileName, sizeof fileName, "f%02d.%s", i, extension);
            paths.push_back(root + "/" + fileName);
            sources.push_back(fixture);
            fs::copy_file(FixturePath(fixture), paths.back());
        }
    }

    // The files among the first `count` that the probe accepts, in name order.
    std::vector<std::string> Accepted(int count = kFileCount) const {
        std::vector<std::string> accepted;
        for (int i = 0; i < count; ++i) {
            if (!IsRefusedSource(sources[i])) {
                accepted.push_back(paths[i]);
            }
        }
        return accepted;
    }
    std::vector<ShownMessage> Refusals(int count = kFileCount) const {
        std::vector<ShownMessage> messages;
        for (int i = 0; i < count; ++i) {
            if (IsRefusedSource(sources[i])) {
                messages.push_back(
                    {"File:" + fs::path(paths[i]).filename().string() + " is invalid!",
                     MessageIcon::Exclamation});
            }
        }
        return messages;
    }
    std::string SourceOf(const std::string& path) const {
        return sources[std::find(paths.begin(), paths.end(), path) - paths.begin()];
    }

    std::string root;
    std::vector<std::string> paths;
    std::vector<std::string> sources;
};

enum class AddWay { Dialog, Folder, DroppedFolder, DroppedFiles };

struct AddCase {
    const char* name;
    AddWay way;
};

void PrintTo(const AddCase& addCase, std::ostream* out) {
    *out << addCase.name;
}

// Runs one way of adding the files with an "earlier.wav" row already listed.
void AddThe(const ManyFiles& files, AddWay way, TaskHarness& h) {
    switch (way) {
    case AddWay::Dialog:
        h.fakes.dialogs.filesToAdd = files.paths;
        AddFilesFromDialog(h.view, h.state, h.fakes.dialogs);
        break;
    case AddWay::Folder:
        h.fakes.dialogs.folderChoices = {files.root};
        AddFolderFromDialog(h.view, h.state, h.fakes.dialogs);
        break;
    case AddWay::DroppedFolder:
        AddDroppedFiles(h.view, h.state, h.fakes.dialogs, {files.root});
        break;
    case AddWay::DroppedFiles:
        AddDroppedFiles(h.view, h.state, h.fakes.dialogs, files.paths);
        break;
    }
}

bool IsAppend(AddWay way) {
    return way == AddWay::Dialog || way == AddWay::Folder;
}

// The list once `accepted` were added: appended after "earlier.wav", or on
// top of it (a dropped file list ends up reversed, a dropped folder not).
std::vector<std::string> ExpectedList(AddWay way, std::vector<std::string> accepted) {
    if (IsAppend(way)) {
        accepted.insert(accepted.begin(), "earlier.wav");
        return accepted;
    }
    if (way == AddWay::DroppedFiles) {
        std::reverse(accepted.begin(), accepted.end());
    }
    accepted.push_back("earlier.wav");
    return accepted;
}

// A file named by the user has a box of its own when refused; the refused
// files of a folder are named in one box at the end.
std::vector<ShownMessage> ExpectedMessages(AddWay way, const std::vector<ShownMessage>& refusals) {
    if (way != AddWay::Folder && way != AddWay::DroppedFolder) {
        return refusals;
    }
    std::string text;
    for (const ShownMessage& refusal : refusals) {
        text += (text.empty() ? "" : "\n") + refusal.text;
    }
    return {{text, MessageIcon::Exclamation}};
}

// Threads of this process: none of the probing may outlive the add.
int ThreadCount() {
    const fs::path tasks("/proc/self/task");
    return static_cast<int>(std::distance(fs::directory_iterator(tasks), fs::directory_iterator()));
}

class AddManyFiles : public testing::TestWithParam<AddCase> {};

TEST_P(AddManyFiles, GivesTheRowsAndMessagesOfOneProbeAtATime) {
    const AddWay way = GetParam().way;
    const ManyFiles files(std::string("tasks_many_") + GetParam().name);
    TaskHarness h;
    h.view.formatText = kOutputFormats[6].text;
    h.view.outputFolderText = files.root + "/out";
    h.view.AppendRow("earlier.wav");

    AddThe(files, way, h);

    EXPECT_EQ(h.view.Column(ColumnSource), ExpectedList(way, files.Accepted()));
    EXPECT_EQ(h.fakes.dialogs.messages, ExpectedMessages(way, files.Refusals()));
    static std::map<std::string, int> seconds; // by source fixture, over all cases
    for (const auto& row : h.view.rows) {
        if (row.sourcePath == "earlier.wav") {
            continue;
        }
        const std::string source = files.SourceOf(row.sourcePath);
        if (!seconds.count(source)) {
            seconds[source] = WholeSecondsOf(FixturePath(source));
        }
        EXPECT_EQ(row.startTime, "00:00:00") << row.sourcePath;
        EXPECT_EQ(row.endTime, FormatHms(seconds[source])) << row.sourcePath;
        EXPECT_EQ(row.durationText, std::to_string(seconds[source])) << row.sourcePath;
        EXPECT_EQ(row.statusText, " Ready") << row.sourcePath;
        EXPECT_EQ(row.checked, IsAppend(way)) << row.sourcePath;
        EXPECT_EQ(row.outputFormatLabel, IsAppend(way) ? kOutputFormats[6].text : "")
            << row.sourcePath;
    }
    EXPECT_EQ(h.fakes.dialogs.addProgress.totals, std::vector<int>{kFileCount});
    EXPECT_EQ(h.fakes.dialogs.addProgress.steps.size(), static_cast<size_t>(kFileCount));
    EXPECT_EQ(h.fakes.dialogs.addProgress.ends, 1);
}

// Cancel pressed after 17 files: the rows and messages of those 17 stay, in
// order; nothing after them is added, and no probing thread is left behind.
TEST_P(AddManyFiles, ACancelHalfWayKeepsTheRowsAddedSoFarInOrder) {
    const AddWay way = GetParam().way;
    const ManyFiles files(std::string("tasks_many_cancel_") + GetParam().name);
    TaskHarness h;
    h.view.outputFolderText = files.root + "/out";
    h.view.AppendRow("earlier.wav");
    constexpr int kCancelAt = 17;
    h.fakes.dialogs.addProgress.cancelAtStep = kCancelAt;
    std::vector<int> rowsAtStep;
    h.fakes.dialogs.addProgress.onStep = [&](int) { rowsAtStep.push_back(h.view.RowCount()); };
    const int threadsBefore = ThreadCount();

    AddThe(files, way, h);

    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_EQ(h.view.Column(ColumnSource), ExpectedList(way, files.Accepted(kCancelAt)));
    EXPECT_EQ(h.fakes.dialogs.messages, ExpectedMessages(way, files.Refusals(kCancelAt)));
    std::vector<int> steps(kCancelAt);
    std::iota(steps.begin(), steps.end(), 1);
    EXPECT_EQ(h.fakes.dialogs.addProgress.steps, steps);
    EXPECT_EQ(h.fakes.dialogs.addProgress.ends, 1);
    // Each row went in as its file was taken, not all at the end.
    ASSERT_EQ(rowsAtStep.size(), static_cast<size_t>(kCancelAt));
    EXPECT_EQ(rowsAtStep.back(), h.view.RowCount());
    EXPECT_EQ(rowsAtStep.front(), 2); // f00.mp4 is accepted
}

INSTANTIATE_TEST_SUITE_P(Ways, AddManyFiles,
                         testing::Values(AddCase{"Dialog", AddWay::Dialog},
                                         AddCase{"Folder", AddWay::Folder},
                                         AddCase{"DroppedFolder", AddWay::DroppedFolder},
                                         AddCase{"DroppedFiles", AddWay::DroppedFiles}),
                         [](const testing::TestParamInfo<AddCase>& info) {
                             return info.param.name;
                         });

} // namespace
