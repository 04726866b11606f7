// A static text that shows a web address as a coloured link: underlined with
// the hover colour while the pointer is over it, a hand cursor, the address
// as its tooltip. A click opens the address through the desktop; a failure is
// told in a message box.
#pragma once

#include "ui/skin_palette.h"

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

class DesktopShell;
class UserDialogs;

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    CHyperLink(DesktopShell& shell, UserDialogs& dialogs, QWidget* parent = nullptr);

    // Stores the address, fits the link to its text and makes the address its
    // tooltip. An empty text shows the address; with no address the link
    // opens its text.
    void SetURL(const QString& url);
    QString URL() const { return url; }

    // Opens the address; true when the desktop accepted it.
    bool GotoURL();

    // The colour the text is drawn in now.
    QColor TextColour() const;
    bool IsVisited() const { return visited; }
    bool IsPointerOver() const { return pointerOver; }

    QColor linkColour{kSkinLink};
    QColor visitedColour{kSkinLinkVisited};
    QColor hoverColour{kSkinLinkHover};

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void FitToText();
    void ShowState();
    void PointerLeft();
    void ShowFailure(int result);

    DesktopShell& m_shell;
    UserDialogs& m_dialogs;
    QString url;
    bool pointerOver = false;
    bool visited = false;
    QFont plainFont;
    QFont underlinedFont;
    QBasicTimer hoverTimer;
};

// The text after "Unable to open hyperlink:" and an empty line for a failed
// open with this result code.
QString HyperlinkErrorText(int result);
