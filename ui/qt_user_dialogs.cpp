#include "ui/qt_user_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

const char* const kApplicationName = "Veltrano Audio Converter";

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    return icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon;
}

} // namespace

// The box is the one thing the user answers while it is up: an add's progress
// waits out of sight, and the add goes on with its next file after OK.
void QtUserDialogs::ShowMessage(const std::string& text, MessageIcon icon) {
    const AddProgressSuspension suspension(m_addProgress);
    QMessageBox box(BoxIcon(icon), kApplicationName, QString::fromStdString(text), QMessageBox::Ok,
                    m_owner);
    box.exec();
}

std::optional<std::vector<std::string>>
QtUserDialogs::ChooseFilesToAdd(const std::vector<std::string>& filters) {
    QStringList filterList;
    for (const std::string& filter : filters) {
        filterList << QString::fromStdString(filter);
    }
    QString selectedFilter = filterList.isEmpty() ? QString() : filterList.first();
    const QStringList chosen = QFileDialog::getOpenFileNames(
        m_owner, QString(), QString(), filterList.join(";;"), &selectedFilter);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (const QString& path : chosen) {
        paths.push_back(path.toStdString());
    }
    return paths;
}

std::optional<std::string> QtUserDialogs::ChooseFolder(const std::string& title,
                                                       const std::string& startFolder) {
    // No owner: the main window stays usable while the chooser is open.
    const QString folder = QFileDialog::getExistingDirectory(nullptr, QString::fromStdString(title),
                                                             QString::fromStdString(startFolder));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder.toStdString();
}
