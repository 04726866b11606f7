// The application object: makes the real services and runs the main window.
#pragma once

#include "tasks/main_state.h"

#include <QApplication>
#include <string>

// The launcher's name, so that the desktop shows the launcher's icon and name
// for the window.
inline constexpr const char* kDesktopFileName = "io.github.veltrano.AudioConverter";

class CQuarvelApp : public QApplication {
public:
    CQuarvelApp(int& argc, char** argv);

    // Runs the main window modally; returns the process exit code when it ends.
    int InitInstance();

    // Where this program keeps its settings file and default output folder.
    static AppLocations Locations();

    // The same for a program in `appDir`. An installed program (its data
    // folder share/veltrano beside its bin folder) keeps nothing in its own
    // folder, even when the user, root for one, may write there.
    static AppLocations LocationsFor(const std::string& appDir);
};
