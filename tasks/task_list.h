// Commands on the task list: removing and clearing rows, the selection, the
// context menu, the Clip and File Information commands, and the task buttons
// that depend on the rows.
#pragma once

#include "engine/av_convert.h"
#include "tasks/file_info_texts.h"
#include "tasks/main_state.h"
#include "tasks/main_view.h"
#include "tasks/services.h"

#include <string>

// After files were added or dropped: shows or hides the list and enables or
// disables the task buttons by the row count.
void UpdateCommandButtons(TaskListView& view);

// Delete key, Cut and the menu's Remove: removes the first selected row and
// selects the row that takes its place.
void RemoveSelectedTask(TaskListView& view);

// Empty and the menu's Clear All.
void ClearAllTasks(TaskListView& view);

// A click on the list: probes the first selected row and enables the task
// buttons, or names the file when it can no longer be read.
void OnTaskListClick(TaskListView& view, MainWindowState& state, UserDialogs& dialogs);

// Right click on the list: shows the context menu and runs the chosen item.
void ShowTaskContextMenu(MainView& view, MainWindowState& state, UserDialogs& dialogs);

// Clip command: the Clip dialog once for each selected row, ascending.
void ClipSelectedRows(TaskListView& view, MainWindowState& state);

// Fills g_fileInfoTexts from a fresh probe of the first selected row; false
// when no row is selected or the probe fails.
bool GatherTaskFacts(TaskListView& view, MainWindowState& state);

// File Information command: the dialog, when the facts could be gathered.
void ShowFileInformationCommand(TaskListView& view, MainWindowState& state);

// The facts of the engine's last probe for a row with these texts.
FileInfoTexts TaskFactsFromProbe(const AVConvert& engine, const std::string& sourcePath,
                                 const std::string& endTime);
