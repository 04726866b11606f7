// The About box: the maker's logo, the support and home page links, and
// below them the version and the licence.
#pragma once

#include "resources/dialog_templates.h"

#include <QDialog>

class DesktopShell;
class UserDialogs;

class CAbout : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` is the box's owner; the box centres itself over it. The
    // links open through `shell` and tell a failure through `dialogs`.
    CAbout(DesktopShell& shell, UserDialogs& dialogs, QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowLogo();
    void MakeLink(int controlId);
    void AddNote(const QString& text, const ControlRect& rect);
    void CentreOverOwner();
};
