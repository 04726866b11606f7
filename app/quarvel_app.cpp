#include "app/quarvel_app.h"

#include "app/desktop_notifier.h"
#include "app/desktop_shell.h"
#include "app/logind_power.h"
#include "app/session_end.h"
#include "app/startup_files.h"
#include "tasks/output_folder.h"
#include "ui/main_window.h"
#include "ui/qt_user_dialogs.h"
#include "ui/skin_palette.h"

#include <QStandardPaths>
#include <filesystem>

extern "C" {
#include <libavutil/log.h>
}

CQuarvelApp::CQuarvelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("veltrano");
    setDesktopFileName(kDesktopFileName);
    ApplySkinLook(*this);
}

namespace {

bool IsInstalledProgramFolder(const std::string& appDir) {
    std::error_code error;
    return std::filesystem::is_directory(appDir + "/../share/veltrano", error);
}

} // namespace

AppLocations CQuarvelApp::Locations() {
    return LocationsFor(applicationDirPath().toStdString());
}

AppLocations CQuarvelApp::LocationsFor(const std::string& appDir) {
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    }
    const std::string programFolder = IsInstalledProgramFolder(appDir) ? "" : appDir;
    return ResolveAppLocations(programFolder, configHome.toStdString(), music.toStdString());
}

int CQuarvelApp::InitInstance() {
    // The window reports every failure itself; FFmpeg's notes would only reach
    // a terminal nobody watches.
    av_log_set_level(AV_LOG_QUIET);
    QtUserDialogs dialogs;
    QtDesktopShell shell;
    LogindPowerControl power;
    FreedesktopNotifier notifier;
    MainServices services{dialogs, shell, power, notifier};
    CQuarvelDlg mainWindow(services, Locations());
    dialogs.SetOwner(&mainWindow);
    SessionEndWatcher sessionEnd;
    OpenStartupFiles(mainWindow, arguments());
    mainWindow.exec();
    return 0;
}
