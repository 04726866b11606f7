#include "ui/about_dialog.h"

#include "resources/control_ids.h"
#include "resources/version.h"
#include "ui/controls/hyper_link.h"
#include "ui/dialog_builder.h"
#include "ui/skin_pictures.h"

#include <QLabel>
#include <QPushButton>

namespace {

const int kLinkPointSize = 10;

// Below the links and above OK, in the box's dialog units, like its template.
constexpr ControlRect kVersionRect{20, 113, 261, 8};
constexpr ControlRect kLicenceRect{20, 124, 261, 8};
constexpr const char* kLicenceText =
    "Free software under the GNU General Public License, version 3 or later.";

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
    AddNote(QString("Version ") + kVeltranoVersion, kVersionRect);
    AddNote(kLicenceText, kLicenceRect);
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

// A line of plain text in the template's font, placed as a template places
// its statics.
void CAbout::AddNote(const QString& text, const ControlRect& rect) {
    auto* note = new QLabel(text, this);
    const QFont font = TemplateFont(*FindDialogTemplate(ids::kAboutDialog));
    note->setFont(font);
    note->setGeometry(DialogUnitsToPixels(font, rect));
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
