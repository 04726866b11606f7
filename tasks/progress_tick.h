// Following a running batch: the conversion timer's tick, Stop, and the
// power-off at the end.
#pragma once

#include "engine/av_convert.h"
#include "tasks/main_state.h"
#include "tasks/main_view.h"
#include "tasks/services.h"

// The conversion timer's handler: shows the progress, writes finished rows'
// status into the list and, once the worker has passed the last row, closes
// the progress dialog, opens the output folder and powers off when asked.
void ProgressTick(MainView& view, MainWindowState& state, MainServices& services);

// Writes the status of every finished batch row and returns how many there
// are. With several rows converted at once, rows above the current one may
// have finished already, and after a Stop a row may still finish its file.
int MarkFinishedRows(TaskListView& view, const MainWindowState& state, const AVConvert& engine);

// Stop button and the progress dialog's close box: asks the worker to stop
// and stops the timer; the dialog then ends itself.
void StopConversion(ProgressView& view);

// True when the system accepted the power-off request.
bool ShutDownComputer(PowerControl& power);
