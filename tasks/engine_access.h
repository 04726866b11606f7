// The process-wide engine as the task commands reach it.
#pragma once

#include "engine/av_convert.h"
#include "tasks/main_state.h"
#include "tasks/main_view.h"

// The one engine object, made on first use and never replaced.
AVConvert& EnsureEngine();

// Waits, under a busy cursor, for the last batch's worker to return. After a
// Stop the worker still finishes the file it is writing, and it reads and
// writes the engine's media facts meanwhile; once it has, the rows it cut
// short get their tips (NoteStoppedRows).
void FinishRunningWorker(TaskListView& view, MainWindowState& state);

// The engine with no worker touching it: what a probe or a new batch needs.
AVConvert& IdleEngine(TaskListView& view, MainWindowState& state);
