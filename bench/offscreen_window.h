// What the window benchmarks share: the application on the offscreen
// platform with FFmpeg's notes silenced, and the window's settings file and
// output in one folder. The stand-ins for the dialogs and the desktop are the
// tests' (FakeWindowServices).
#pragma once

#include "tasks/main_state.h"
#include "tests/ui/fake_services.h"

#include <QApplication>

#include <string>

extern "C" {
#include <libavutil/log.h>
}

class OffscreenApplication {
public:
    OffscreenApplication(int& argc, char** argv) : m_app((SelectOffscreen(), argc), argv) {
        av_log_set_level(AV_LOG_QUIET);
    }

private:
    static void SelectOffscreen() { qputenv("QT_QPA_PLATFORM", "offscreen"); }
    QApplication m_app;
};

// Settings file and output folder in `folder`.
inline AppLocations BenchLocations(const std::string& folder) {
    AppLocations locations;
    locations.defaultFolder = folder;
    locations.settingsPath = folder + "/.settings.ini";
    return locations;
}
