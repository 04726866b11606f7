#include "tasks/engine_access.h"

#include "tasks/stopped_rows.h"

AVConvert& EnsureEngine() {
    if (!g_engine) {
        g_engine = new AVConvert;
    }
    return *g_engine;
}

void FinishRunningWorker(TaskListView& view, MainWindowState& state) {
    if (state.m_worker.IsRunning()) {
        view.SetBusyCursor(true);
        state.m_worker.Join();
        view.SetBusyCursor(false);
    }
    NoteStoppedRows(view, state);
}

AVConvert& IdleEngine(TaskListView& view, MainWindowState& state) {
    FinishRunningWorker(view, state);
    return EnsureEngine();
}
