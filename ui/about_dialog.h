// The About box: the maker's logo and the support and home page links.
#pragma once

#include <QDialog>

class DesktopShell;
class QLabel;

class CAbout : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` is the box's owner; the box centres itself over it.
    CAbout(DesktopShell& shell, QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void MakeLink(int controlId);
    void CentreOverOwner();

    DesktopShell& m_shell;
};
