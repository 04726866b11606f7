// The main window's own state that the task commands share: the batch's row
// map, the finished-row count, the output folder and the settings file.
#pragma once

#include "tasks/batch_worker.h"

#include <string>
#include <vector>

// Where the program keeps its settings file and its default output folder.
struct AppLocations {
    std::string settingsPath;
    std::string defaultFolder;
    // The settings file's folder is made when the folder is saved (a folder
    // of the user's own); a program folder's "bin" is used only when present.
    bool makeSettingsFolder = false;
    // The program's own folder, where the help page is looked for first.
    std::string appDir = {};
};

struct MainWindowState {
    // Entry i is list row i when that row takes part in the running batch,
    // else -1. Sized to the row count by each Convert.
    std::vector<int> m_checkedRows;
    // Finished rows (completed or failed) of the running batch.
    int m_completedCount = 0;
    std::string m_outputFolder;
    std::string m_iniPath;
    // Copied from AppLocations::makeSettingsFolder by LoadOutputFolder.
    bool m_makeIniFolder = false;
    int m_clipRow = 0;
    bool m_shutdownWhenDone = false;
    // Set once ProgressTick has handled the end of the running batch.
    bool m_batchEndHandled = false;
    // A stopped batch whose cut-short rows get their tips once its worker has
    // finished the files it was writing (NoteStoppedRows).
    bool m_stoppedRowsPending = false;
    // The conversion worker of the last batch.
    BatchWorker m_worker;
};
