#include "ui/controls/hyper_link.h"

#include "tasks/services.h"
#include "ui/skin_pictures.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTimerEvent>

namespace {

constexpr int kHoverPollMs = 100;
// The desktop tells only that no application took the address: "no
// application associated" is the reason it gives the user.
constexpr int kNoAssociation = 31;

struct ErrorText {
    int result;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
         "being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

} // namespace

QString HyperlinkErrorText(int result) {
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.result == result) {
            return QString::fromUtf8(entry.text);
        }
    }
    return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
}

CHyperLink::CHyperLink(DesktopShell& shell, UserDialogs& dialogs, QWidget* parent)
    : QLabel(parent), m_shell(shell), m_dialogs(dialogs) {
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setCursor(SkinHandCursor(devicePixelRatioF()));
    ShowState();
}

void CHyperLink::SetURL(const QString& address) {
    url = address;
    if (text().isEmpty()) {
        setText(url);
    }
    if (url.isEmpty()) {
        url = text();
    }
    FitToText();
    setToolTip(url);
}

// The link is as wide as its text, so the pointer turns into a hand only
// over the address itself; the left and top edges stay.
void CHyperLink::FitToText() {
    plainFont = font();
    plainFont.setUnderline(false);
    underlinedFont = plainFont;
    underlinedFont.setUnderline(true);
    const QFontMetrics metrics(plainFont);
    const QMargins frame = contentsMargins();
    resize(metrics.horizontalAdvance(text()) + frame.left() + frame.right() + 2 * margin() + 1,
           std::max(height(), metrics.height() + frame.top() + frame.bottom()));
}

QColor CHyperLink::TextColour() const {
    if (pointerOver) {
        return hoverColour;
    }
    return visited ? visitedColour : linkColour;
}

void CHyperLink::ShowState() {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, TextColour());
    setPalette(colours);
    if (!plainFont.family().isEmpty()) {
        setFont(pointerOver ? underlinedFont : plainFont);
    }
    update();
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
    if (!pointerOver) {
        pointerOver = true;
        ShowState();
        hoverTimer.start(kHoverPollMs, this);
    }
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::timerEvent(QTimerEvent* event) {
    if (event->timerId() != hoverTimer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
        PointerLeft();
    }
}

void CHyperLink::leaveEvent(QEvent* event) {
    PointerLeft();
    QLabel::leaveEvent(event);
}

void CHyperLink::PointerLeft() {
    hoverTimer.stop();
    if (pointerOver) {
        pointerOver = false;
        ShowState();
    }
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        GotoURL();
    }
    QLabel::mouseReleaseEvent(event);
}

bool CHyperLink::GotoURL() {
    pointerOver = false;
    visited = m_shell.OpenUrl(url.toStdString());
    if (!visited) {
        ShowFailure(kNoAssociation);
    }
    ShowState();
    return visited;
}

void CHyperLink::ShowFailure(int result) {
    QApplication::beep();
    const QString message =
        QStringLiteral("Unable to open hyperlink:\n\n") + HyperlinkErrorText(result);
    m_dialogs.ShowMessage(message.toStdString(), MessageIcon::Exclamation);
}
