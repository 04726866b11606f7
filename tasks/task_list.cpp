#include "tasks/task_list.h"

#include "resources/control_ids.h"
#include "tasks/add_files.h"
#include "tasks/engine_access.h"

#include <cstdio>
#include <initializer_list>

namespace {

// The buttons whose state follows the rows.
constexpr int kTaskButtons[] = {ids::kConvert, ids::kCut, ids::kEmpty, ids::kSetting,
                                ids::kFileInformation};

void SetButtons(TaskListView& view, std::initializer_list<int> controlIds, bool enabled) {
    for (const int id : controlIds) {
        view.SetButtonEnabled(id, enabled);
    }
}

void HideEmptyList(TaskListView& view) {
    view.SetListVisible(false);
    for (const int id : kTaskButtons) {
        view.SetButtonEnabled(id, false);
    }
}

int FirstSelectedRow(const TaskListView& view) {
    const std::vector<int> rows = view.SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

int NextSelectedRowAfter(const TaskListView& view, int row) {
    for (const int selected : view.SelectedRows()) {
        if (selected > row) {
            return selected;
        }
    }
    return -1;
}

int ProbeRow(TaskListView& view, MainWindowState& state, int row) {
    AVConvert& engine = IdleEngine(view, state);
    engine.m_probePath = view.RowText(row, ColumnSource);
    return ProbeMediaFile(engine);
}

// A file without a picture has no frame rate; the engine keeps the last
// picture's rate then, or none at all before the first.
std::string FrameRateText(const AVConvert& engine) {
    double rate = 0.0;
    if (engine.m_videoStream >= 0 && engine.m_frameRateDen != 0) {
        rate = static_cast<double>(engine.m_frameRateNum) / engine.m_frameRateDen;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f", rate);
    return std::string(text) + " fps";
}

} // namespace

void UpdateCommandButtons(TaskListView& view) {
    if (view.RowCount() == 0) {
        view.SetListVisible(false);
        SetButtons(view, {ids::kEmpty, ids::kConvert, ids::kSetting, ids::kFileInformation}, false);
        return;
    }
    view.SetListVisible(true);
    for (const int id : kTaskButtons) {
        view.SetButtonEnabled(id, true);
    }
}

void RemoveSelectedTask(TaskListView& view) {
    const int row = FirstSelectedRow(view);
    if (row < 0) {
        return;
    }
    view.RemoveRow(row);
    const int remaining = view.RowCount();
    if (remaining == 0) {
        HideEmptyList(view);
        return;
    }
    view.SelectAndFocusRow(row == remaining ? row - 1 : row);
}

void ClearAllTasks(TaskListView& view) {
    view.RemoveAllRows();
    HideEmptyList(view);
}

void OnTaskListClick(TaskListView& view, MainWindowState& state, UserDialogs& dialogs) {
    const int row = FirstSelectedRow(view);
    if (row < 0) {
        SetButtons(view, {ids::kCut, ids::kFileInformation}, false);
        return;
    }
    if (ProbeRow(view, state, row) < 0) {
        dialogs.ShowMessage("File:" + view.RowText(row, ColumnSource) + " invalid!",
                            MessageIcon::Exclamation);
        return;
    }
    SetButtons(view, {ids::kCut, ids::kConvert, ids::kFileInformation}, true);
}

void ShowTaskContextMenu(MainView& view, MainWindowState& state, UserDialogs& dialogs) {
    state.m_outputFolder = view.OutputFolderText();
    const bool rowSelected = FirstSelectedRow(view) >= 0;
    if (rowSelected) {
        SetButtons(view, {ids::kConvert, ids::kFileInformation, ids::kCut}, true);
    } else {
        SetButtons(view, {ids::kFileInformation, ids::kCut}, false);
    }
    switch (view.ShowTaskMenu(rowSelected)) {
    case ids::kMenuAddFiles:
        AddFilesFromDialog(view, state, dialogs);
        break;
    case ids::kMenuAddFolder:
        AddFolderFromDialog(view, state, dialogs);
        break;
    case ids::kMenuRemove:
        RemoveSelectedTask(view);
        break;
    case ids::kMenuClearAll:
        ClearAllTasks(view);
        break;
    case ids::kMenuFileInformation:
        ShowFileInformationCommand(view, state);
        break;
    case ids::kMenuClip:
        ClipSelectedRows(view, state);
        break;
    default:
        break;
    }
    state.m_outputFolder = view.OutputFolderText();
}

void ClipSelectedRows(TaskListView& view, MainWindowState& state) {
    for (int row = FirstSelectedRow(view); row >= 0;) {
        const int next = NextSelectedRowAfter(view, row);
        state.m_clipRow = row;
        view.FocusList();
        view.ShowClipDialog();
        row = next;
    }
}

bool GatherTaskFacts(TaskListView& view, MainWindowState& state) {
    const int row = FirstSelectedRow(view);
    if (row < 0 || ProbeRow(view, state, row) < 0) {
        return false;
    }
    g_fileInfoTexts = TaskFactsFromProbe(*g_engine, view.RowText(row, ColumnSource),
                                         view.RowText(row, ColumnEnd));
    return true;
}

void ShowFileInformationCommand(TaskListView& view, MainWindowState& state) {
    if (GatherTaskFacts(view, state)) {
        view.ShowFileInformation();
    }
}

FileInfoTexts TaskFactsFromProbe(const AVConvert& engine, const std::string& sourcePath,
                                 const std::string& endTime) {
    FileInfoTexts facts;
    facts.filePathText = sourcePath;
    facts.endTimeText = endTime;
    facts.frameRateText = FrameRateText(engine);
    facts.widthText = std::to_string(engine.m_videoWidth);
    facts.heightText = std::to_string(engine.m_videoHeight);
    facts.videoCodecText = std::to_string(engine.m_videoCodecId);
    facts.audioCodecText = std::to_string(engine.m_audioCodecId);
    facts.videoBitRateText = std::to_string(engine.m_videoBitRate);
    facts.channelsText = std::to_string(engine.m_channels);
    facts.sampleRateText = std::to_string(engine.m_sampleRate);
    facts.bitDepthText = engine.m_bitDepth > 0 ? std::to_string(engine.m_bitDepth) : "";
    facts.audioBitRateText = std::to_string(engine.m_audioBitRate);
    return facts;
}
