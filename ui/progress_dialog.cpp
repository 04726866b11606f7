#include "ui/progress_dialog.h"

#include "resources/control_ids.h"
#include "tasks/main_state.h"
#include "tasks/progress_tick.h"
#include "ui/controls/label.h"
#include "ui/dialog_builder.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>

namespace {

QWidget* MakeProgressControl(const ControlTemplate& control, QWidget* parent) {
    if (control.id == ids::kCurrentFileLabel || control.id == ids::kBatchLabel) {
        return new CLabel(parent);
    }
    return nullptr;
}

QString TemplateText(int controlId) {
    for (const ControlTemplate& control : FindDialogTemplate(ids::kProgressDialog)->controls) {
        if (control.id == controlId) {
            return QString::fromUtf8(control.text);
        }
    }
    return QString();
}

bool IsDismissKey(int key) {
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

CAVConvertDlg::CAVConvertDlg(ProgressView& owner, MainWindowState& state, QWidget* ownerWindow)
    : QDialog(ownerWindow), m_owner(owner), m_state(state) {
    BuildFromTemplate(*this, *FindDialogTemplate(ids::kProgressDialog), MakeProgressControl);
    m_currentFileLabel = FindControlAs<QLabel>(*this, ids::kCurrentFileLabel);
    m_batchLabel = FindControlAs<QLabel>(*this, ids::kBatchLabel);
    m_currentFileBar = FindControlAs<QProgressBar>(*this, ids::kCurrentFileBar);
    m_batchBar = FindControlAs<QProgressBar>(*this, ids::kBatchBar);
    m_shutDownBox = FindControlAs<QCheckBox>(*this, ids::kShutDownBox);
    connect(m_shutDownBox, &QCheckBox::toggled, this,
            [this](bool checked) { m_state.m_shutdownWhenDone = checked; });
    auto* stop = FindControlAs<QPushButton>(*this, ids::kStop);
    // Enter on a focused Stop must not stop the batch: the keyboard never
    // dismisses this dialog.
    stop->setAutoDefault(false);
    stop->setDefault(false);
    connect(stop, &QPushButton::clicked, this, &CAVConvertDlg::Stop);
}

void CAVConvertDlg::SetCurrentFileText(const QString& text) {
    m_currentFileLabel->setText(text);
}

void CAVConvertDlg::SetBatchText(const QString& text) {
    m_batchLabel->setText(text);
}

void CAVConvertDlg::SetCurrentFilePercent(int percent) {
    m_currentFileBar->setValue(percent);
}

void CAVConvertDlg::SetBatchPercent(int percent) {
    m_batchBar->setValue(percent);
}

// Every batch starts with the box and the flag agreeing (no power-off) and
// with the texts and bars of its beginning: until its first tick nothing of
// an earlier batch may show.
void CAVConvertDlg::showEvent(QShowEvent* event) {
    PublishVideoFrame();
    FindControl(*this, ids::kStop)->setToolTip("Stop converting");
    m_shutDownBox->setChecked(false);
    m_state.m_shutdownWhenDone = false;
    m_currentFileLabel->setText(TemplateText(ids::kCurrentFileLabel));
    m_batchLabel->setText(TemplateText(ids::kBatchLabel));
    m_currentFileBar->setValue(0);
    m_batchBar->setValue(0);
    QDialog::showEvent(event);
}

void CAVConvertDlg::PublishVideoFrame() {
    QWidget* frame = FindControl(*this, ids::kVideoFrame);
    qputenv("SDL_WINDOWID", QByteArray::number(static_cast<qulonglong>(frame->winId())));
}

void CAVConvertDlg::keyPressEvent(QKeyEvent* event) {
    if (IsDismissKey(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CAVConvertDlg::closeEvent(QCloseEvent* event) {
    if (isVisible()) {
        Stop();
    }
    event->accept();
}

void CAVConvertDlg::Stop() {
    StopConversion(m_owner);
    accept();
}
