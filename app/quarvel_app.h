// The application object: makes the real services and runs the main window.
#pragma once

#include "tasks/main_state.h"

#include <QApplication>

class CQuarvelApp : public QApplication {
public:
    CQuarvelApp(int& argc, char** argv);

    // Runs the main window modally; returns the process exit code when it ends.
    int InitInstance();

    // Where this program keeps its settings file and default output folder.
    static AppLocations Locations();
};
