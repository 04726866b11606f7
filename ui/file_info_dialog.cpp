#include "ui/file_info_dialog.h"

#include "resources/control_ids.h"
#include "tasks/file_info_display.h"
#include "ui/dialog_builder.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

CFileInfomation::CFileInfomation(const FileInfoTexts& facts, QWidget* parent) : QDialog(parent) {
    BuildFromTemplate(*this, *FindDialogTemplate(ids::kFileInfoDialog));
    const FileInfoDisplay shown = FileInfoDisplayTexts(facts);
    ShowText(ids::kInfoFileName, shown.fileName);
    ShowText(ids::kInfoMediaLength, shown.mediaLength);
    ShowText(ids::kInfoResolution, shown.pictureSize);
    ShowText(ids::kInfoFrameRate, shown.frameRate);
    ShowText(ids::kInfoVideoBitRate, shown.videoBitRate);
    ShowText(ids::kInfoAudioBitRate, shown.audioBitRate);
    ShowText(ids::kInfoSamples, shown.sampleRate);
    ShowText(ids::kInfoChannel, shown.channelLayout);
    if (auto* ok = FindControlAs<QPushButton>(*this, ids::kInfoOk)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

// A long path is shown from its start; the field scrolls to the rest.
void CFileInfomation::ShowText(int controlId, const std::string& text) {
    if (auto* field = FindControlAs<QLineEdit>(*this, controlId)) {
        field->setText(QString::fromStdString(text));
        field->setCursorPosition(0);
    }
}

// There is nothing to confirm: Enter closes the dialog wherever the focus is.
void CFileInfomation::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
