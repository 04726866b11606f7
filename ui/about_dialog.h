// The About box: the maker's logo and the support and home page links.
#pragma once

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
    void CentreOverOwner();
};
