// Adding files to the task list: from the Add dialog (appended, checked) and
// dropped on the window (at the top, unchecked).
#pragma once

#include "engine/av_convert.h"
#include "tasks/main_state.h"
#include "tasks/main_view.h"
#include "tasks/services.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

struct FileFilter {
    const char* description;
    const char* patterns; // separated by ";"
};

inline constexpr int kAddFileFilterCount = 34;

inline constexpr const char* kChooseAddFolderTitle = "Please select a folder to add:";
extern const std::array<FileFilter, kAddFileFilterCount> kAddFileFilters;

// The filters as the file dialog takes them, in order: each description with
// its patterns, separated by blanks, in its one parenthesis ("All audio files
// (*.aac *.ac3 ...)", "Monkey's Audio Files(*.ape *.cue)").
std::vector<std::string> AddFileFilterTexts();

// Probes `path`; true when it opens, has stream information and a known
// duration.
bool AcceptsMediaFile(AVConvert& engine, const std::string& path);

// "File:" + the path's file name + " is invalid!"
std::string RefusedFileMessage(const std::string& path);

// The files of a folder that were left out, in one message: a line as
// RefusedFileMessage gives for each of the first kListedLeftOutFiles, then how
// many more there are. A folder of music holds covers, playlists and logs,
// and a box for each would ask for a click per cover.
inline constexpr std::size_t kListedLeftOutFiles = 20;
std::string LeftOutFilesMessage(const std::vector<std::string>& paths);

// Add command: the chosen files the probe accepts go to the end of the list,
// checked, labelled with the current format.
void AddFilesFromDialog(MainView& view, MainWindowState& state, UserDialogs& dialogs);

// Add Folder: every file of a chosen folder and its subfolders, in name order,
// goes to the end of the list as the Add command's files do. Hidden files and
// the output folder are left out; so are the files the probe refuses, named in
// one message at the end.
void AddFolderFromDialog(MainView& view, MainWindowState& state, UserDialogs& dialogs);

// Files named on the program's command line (a file manager's "Open with"):
// added as the Add command adds them, at the end, in order, checked and
// labelled with the current format. A named folder brings its files as Add
// Folder does.
void AddNamedFiles(MainView& view, MainWindowState& state, UserDialogs& dialogs,
                   const std::vector<std::string>& paths);

// Files dropped on the window: the accepted ones go to the top, so they end
// up in reverse order, unchecked and without a format label. A dropped folder
// puts its files (subfolders too, hidden ones and the output folder left out)
// at the top in name order; its refused files are named in one message at the
// end.
void AddDroppedFiles(MainView& view, MainWindowState& state, UserDialogs& dialogs,
                     const std::vector<std::string>& paths);
