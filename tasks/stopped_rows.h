// What a Stop left behind: each row the stop cut short keeps " Ready" and its
// check box, and its Status tip tells how much of it was written.
#pragma once

#include "tasks/main_state.h"
#include "tasks/main_view.h"

#include <string>

// "Stopped at 00:08:40: long.aac holds the part before": where in the source
// the written part ends, and the file that holds it.
std::string StoppedRowTip(int endSeconds, const std::string& outputPath);

// Once the stopped batch's worker has returned: the tip of every row it cut
// short. Does nothing unless a stopped batch is still to be noted
// (m_stoppedRowsPending).
void NoteStoppedRows(TaskListView& view, MainWindowState& state);
