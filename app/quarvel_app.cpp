#include "app/quarvel_app.h"

#include "app/desktop_shell.h"
#include "app/logind_power.h"
#include "app/session_end.h"
#include "tasks/output_folder.h"
#include "ui/main_window.h"
#include "ui/qt_user_dialogs.h"

#include <QStandardPaths>

extern "C" {
#include <libavutil/log.h>
}

CQuarvelApp::CQuarvelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("veltrano");
}

AppLocations CQuarvelApp::Locations() {
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    }
    return ResolveAppLocations(applicationDirPath().toStdString(), configHome.toStdString(),
                               music.toStdString());
}

int CQuarvelApp::InitInstance() {
    // The window reports every failure itself; FFmpeg's notes would only reach
    // a terminal nobody watches.
    av_log_set_level(AV_LOG_QUIET);
    QtUserDialogs dialogs;
    QtDesktopShell shell;
    LogindPowerControl power;
    MainServices services{dialogs, shell, power};
    CQuarvelDlg mainWindow(services, Locations());
    dialogs.SetOwner(&mainWindow);
    SessionEndWatcher sessionEnd;
    mainWindow.exec();
    return 0;
}
