#include "app/startup_files.h"

#include "ui/main_window.h"

#include <QFileInfo>
#include <QTimer>

std::vector<std::string> StartupFilePaths(const QStringList& arguments) {
    std::vector<std::string> paths;
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        // A dropped file always comes with its full path; a name typed in a
        // shell is relative to the folder the program started in.
        paths.push_back(QFileInfo(arguments[index]).absoluteFilePath().toStdString());
    }
    return paths;
}

void OpenStartupFiles(CQuarvelDlg& window, const QStringList& arguments) {
    std::vector<std::string> paths = StartupFilePaths(arguments);
    if (paths.empty()) {
        return;
    }
    QTimer::singleShot(0, &window,
                       [&window, paths = std::move(paths)] { window.AddNamedFiles(paths); });
}
