// The output folder: where the settings file and the default folder live, the
// folder remembered between runs, Browse, Find Target and the check before a
// batch.
#pragma once

#include "tasks/main_state.h"
#include "tasks/main_view.h"
#include "tasks/services.h"

#include <string>

inline constexpr const char* kMissingFolderMessage =
    "The folder that you selected does not exit.Please specify a different folder!";
inline constexpr const char* kInvalidChosenFolderMessage = "The output folder name is invalid!";
inline constexpr const char* kChooseFolderTitle = "Please select output folder:";

// The settings file and default folder beside a writable program folder
// (the settings in its "bin" folder, made here when missing), else in the
// user's configuration folder (DefaultConfigHome when empty) and music folder
// (the home folder when empty). A writable program folder whose "bin" cannot
// be had keeps its default folder but the settings go to the user's folder.
AppLocations ResolveAppLocations(const std::string& appDir, const std::string& configHome,
                                 const std::string& musicDir);

// $XDG_CONFIG_HOME, else $HOME/.config.
std::string DefaultConfigHome();

// Makes sure `path` is a directory, creating it and its parents when
// missing. False when that is impossible (or `path` is empty).
bool MakeFolder(const std::string& path);

// The remembered folder, or the default folder (created when missing), into
// the state and the Output combo.
void LoadOutputFolder(OutputChoiceView& view, MainWindowState& state,
                      const AppLocations& locations);

// Browse: the folder chooser until it is cancelled or gives an existing folder,
// which is remembered in the settings file.
void BrowseOutputFolder(OutputChoiceView& view, MainWindowState& state, UserDialogs& dialogs);

// Find Target: creates the typed folder when missing and shows it in the file
// manager.
void OpenOutputFolder(OutputChoiceView& view, MainWindowState& state, UserDialogs& dialogs,
                      DesktopShell& shell);

// Before a batch: whether the batch may write into m_outputFolder, creating
// it when missing.
bool PrepareOutputFolder(MainWindowState& state, UserDialogs& dialogs);

// Remembers `folder` in the settings file; a failure is not reported.
void SaveOutputFolder(const MainWindowState& state, const std::string& folder);
