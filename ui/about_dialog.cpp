#include "ui/about_dialog.h"

#include "resources/control_ids.h"
#include "ui/controls/hyper_link.h"
#include "ui/dialog_builder.h"
#include "ui/skin_pictures.h"

#include <QLabel>
#include <QPushButton>

namespace {

const int kLinkPointSize = 10;

bool IsLink(int controlId) {
    return controlId == ids::kSupportLink || controlId == ids::kHomepageLink;
}

} // namespace

CAbout::CAbout(DesktopShell& shell, UserDialogs& dialogs, QWidget* mainWindow)
    : QDialog(mainWindow) {
    BuildFromTemplate(*this, *FindDialogTemplate(ids::kAboutDialog),
                      [&](const ControlTemplate& control, QWidget* parent) -> QWidget* {
                          if (IsLink(control.id)) {
                              return new CHyperLink(shell, dialogs, parent);
                          }
                          return nullptr;
                      });
    ShowLogo();
    MakeLink(ids::kSupportLink);
    MakeLink(ids::kHomepageLink);
    if (auto* ok = FindControlAs<QPushButton>(*this, ids::kAboutOk)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

// A picture static takes the size of its picture; its top-left stays.
void CAbout::ShowLogo() {
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (ControlIdOf(*label) != ids::kStatic || !label->text().isEmpty()) {
            continue;
        }
        // Its rounded corners show the dialog's own background.
        const QPixmap logo = QPixmap::fromImage(SkinPictureWithAlpha(
            ids::kLogoBitmap, SkinPictureSize(ids::kLogoBitmap), devicePixelRatioF()));
        label->setPixmap(logo);
        label->resize(logo.deviceIndependentSize().toSize());
        return;
    }
}

// Each link shows its address in a larger font and opens it when clicked.
void CAbout::MakeLink(int controlId) {
    auto* link = FindControlAs<CHyperLink>(*this, controlId);
    if (link == nullptr) {
        return;
    }
    QFont linkFont = link->font();
    linkFont.setPointSize(kLinkPointSize);
    link->setFont(linkFont);
    link->SetURL(link->text());
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
