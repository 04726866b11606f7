#include "ui/qt_add_progress.h"

#include <QProgressDialog>

namespace {

const char* const kApplicationName = "Veltrano Audio Converter";
const char* const kAddingText = "Adding files...";
const char* const kCancelText = "Cancel";

} // namespace

// The progress dialog shows itself when the add has run for a while, from
// its own timer or from a step; while suspended it only notes that it is due.
class AddProgressDialog : public QProgressDialog {
public:
    AddProgressDialog(const int& suspensions, QWidget* owner)
        : QProgressDialog(kAddingText, kCancelText, 0, 0, owner), m_suspensions(suspensions) {}

    void setVisible(bool visible) override {
        if (visible && m_suspensions > 0) {
            m_showWhenResumed = true;
            return;
        }
        QProgressDialog::setVisible(visible);
    }

    void StepAside() {
        if (isVisible()) {
            hide();
            m_showWhenResumed = true;
        }
    }

    void ComeBack() {
        if (m_showWhenResumed && !wasCanceled()) {
            show();
        }
        m_showWhenResumed = false;
    }

private:
    const int& m_suspensions;
    bool m_showWhenResumed = false;
};

QtAddProgress::QtAddProgress() = default;
QtAddProgress::~QtAddProgress() = default;

void QtAddProgress::Begin(int total) {
    auto dialog = std::make_unique<AddProgressDialog>(m_suspensions, m_owner);
    dialog->setRange(0, total);
    dialog->setWindowTitle(kApplicationName);
    dialog->setWindowModality(Qt::WindowModal);
    // The last step must not reset the bar before End takes the dialog away.
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setMinimumDuration(m_showAfterMs);
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

void QtAddProgress::Suspend() {
    if (m_suspensions++ > 0) {
        return;
    }
    for (const auto& dialog : m_dialogs) {
        dialog->StepAside();
    }
}

void QtAddProgress::Resume() {
    if (m_suspensions == 0 || --m_suspensions > 0) {
        return;
    }
    for (const auto& dialog : m_dialogs) {
        dialog->ComeBack();
    }
}

QProgressDialog* QtAddProgress::Dialog() const {
    return m_dialogs.empty() ? nullptr : m_dialogs.back().get();
}
