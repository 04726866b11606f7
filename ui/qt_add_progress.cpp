#include "ui/qt_add_progress.h"

#include <QProgressDialog>

namespace {

const char* const kApplicationName = "Veltrano Audio Converter";
const char* const kAddingText = "Adding files...";
const char* const kCancelText = "Cancel";

} // namespace

QtAddProgress::QtAddProgress() = default;
QtAddProgress::~QtAddProgress() = default;

void QtAddProgress::Begin(int total) {
    auto dialog = std::make_unique<QProgressDialog>(kAddingText, kCancelText, 0, total, m_owner);
    dialog->setWindowTitle(kApplicationName);
    dialog->setWindowModality(Qt::WindowModal);
    // The last step must not reset the bar before End takes the dialog away.
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setMinimumDuration(kShowAfterMs);
    dialog->setValue(0);
    m_dialogs.push_back(std::move(dialog));
}

void QtAddProgress::Step(int done) {
    if (QProgressDialog* dialog = Dialog()) {
        dialog->setValue(done);
    }
}

bool QtAddProgress::Cancelled() const {
    const QProgressDialog* dialog = Dialog();
    return dialog != nullptr && dialog->wasCanceled();
}

void QtAddProgress::End() {
    if (!m_dialogs.empty()) {
        m_dialogs.pop_back();
    }
}

QProgressDialog* QtAddProgress::Dialog() const {
    return m_dialogs.empty() ? nullptr : m_dialogs.back().get();
}
