#include "tasks/engine_access.h"

AVConvert& EnsureEngine() {
    if (!g_engine) {
        g_engine = new AVConvert;
    }
    return *g_engine;
}

void FinishRunningWorker(MainView& view, MainWindowState& state) {
    if (!state.m_worker.IsRunning()) {
        return;
    }
    view.SetBusyCursor(true);
    state.m_worker.Join();
    view.SetBusyCursor(false);
}

AVConvert& IdleEngine(MainView& view, MainWindowState& state) {
    FinishRunningWorker(view, state);
    return EnsureEngine();
}
