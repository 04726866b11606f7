#include "app/desktop_shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

bool QtDesktopShell::OpenFolder(const std::string& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

bool QtDesktopShell::OpenUrl(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}
