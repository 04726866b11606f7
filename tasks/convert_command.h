// The Convert command: the checked rows become a batch for the engine, the
// worker starts and the progress dialog follows it.
#pragma once

#include "tasks/engine_access.h"
#include "tasks/main_state.h"
#include "tasks/main_view.h"
#include "tasks/services.h"

inline constexpr const char* kNoTasksMessage = "Please add video files!";
inline constexpr const char* kNoCheckedTaskMessage = "Please select at least one task to convert!";

// Returns when the batch's progress dialog has closed, or at once when there
// is nothing to convert or nowhere to write it.
void ConvertCommand(MainView& view, MainWindowState& state, UserDialogs& dialogs);
