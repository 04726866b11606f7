#include "ui/about_dialog.h"

#include "resources/control_ids.h"
#include "tasks/services.h"
#include "ui/dialog_builder.h"

#include <QLabel>
#include <QPushButton>

namespace {

const int kLinkPointSize = 10;

} // namespace

CAbout::CAbout(DesktopShell& shell, QWidget* mainWindow) : QDialog(mainWindow), m_shell(shell) {
    BuildFromTemplate(*this, *FindDialogTemplate(ids::kAboutDialog));
    // The logo picture stays empty until the skin's artwork provides it.
    MakeLink(ids::kSupportLink);
    MakeLink(ids::kHomepageLink);
    if (auto* ok = FindControlAs<QPushButton>(*this, ids::kAboutOk)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

// Each link shows its address and opens it through the desktop when clicked.
void CAbout::MakeLink(int controlId) {
    auto* label = FindControlAs<QLabel>(*this, controlId);
    if (label == nullptr) {
        return;
    }
    const QString address = label->text();
    QFont linkFont = label->font();
    linkFont.setPointSize(kLinkPointSize);
    label->setFont(linkFont);
    label->setTextFormat(Qt::RichText);
    label->setText(
        QString("<a href=\"%1\">%2</a>").arg(address.toHtmlEscaped(), address.toHtmlEscaped()));
    label->setOpenExternalLinks(false);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setToolTip(address);
    // The larger font needs more room than the template gave; the left and top
    // edges stay where the template put them.
    label->adjustSize();
    connect(label, &QLabel::linkActivated, this,
            [this](const QString& link) { m_shell.OpenUrl(link.toStdString()); });
}

void CAbout::showEvent(QShowEvent* event) {
    CentreOverOwner();
    QDialog::showEvent(event);
}

void CAbout::CentreOverOwner() {
    const QWidget* owner = parentWidget();
    if (owner == nullptr) {
        return;
    }
    const QPoint ownerCentre = owner->geometry().center();
    move(ownerCentre.x() - width() / 2, ownerCentre.y() - height() / 2);
}
