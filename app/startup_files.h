// Files named on the window program's command line: a file manager's
// "Open with" passes the chosen files this way (the launcher's %F).
#pragma once

#include <QStringList>
#include <string>
#include <vector>

class CQuarvelDlg;

// The arguments after the program's name, as absolute paths, in their order.
std::vector<std::string> StartupFilePaths(const QStringList& arguments);

// Once the window's event loop runs, adds the named files as the Add command
// adds them (checked, at the end), so any refusal appears over the shown
// window. Without files nothing happens.
void OpenStartupFiles(CQuarvelDlg& window, const QStringList& arguments);
