// The progress of adding files as Qt shows it: a progress dialog, modal to the
// main window, with a Cancel button. Quick adds never show it.
#pragma once

#include "tasks/services.h"

#include <memory>
#include <vector>

class QProgressDialog;
class QWidget;
class AddProgressDialog;

class QtAddProgress : public AddProgress {
public:
    QtAddProgress();
    ~QtAddProgress() override;

    void SetOwner(QWidget* owner) { m_owner = owner; }
    // How long an add runs before its dialog shows.
    void SetShowAfterMs(int ms) { m_showAfterMs = ms; }

    void Begin(int total) override;
    void Step(int done) override;
    bool Cancelled() const override;
    void End() override;

    // While a message box is up, every dialog of an add stays out of sight:
    // one shown over the box, modal to the window the box belongs to, would
    // take the box's clicks and keys, and the add would wait on the box for
    // good. A dialog due meanwhile shows once the last box has gone.
    void Suspend();
    void Resume();

    // The dialog of the add under way, or null.
    QProgressDialog* Dialog() const;

    // Adds quicker than this never show the dialog.
    static constexpr int kShowAfterMs = 500;

private:
    QWidget* m_owner = nullptr;
    int m_showAfterMs = kShowAfterMs;
    int m_suspensions = 0;
    // An add started from an event handled while another add runs (before
    // its dialog shows and blocks the window) gets a dialog of its own.
    std::vector<std::unique_ptr<AddProgressDialog>> m_dialogs;
};

// Keeps the add's progress out of sight for as long as it lives.
class AddProgressSuspension {
public:
    explicit AddProgressSuspension(QtAddProgress& progress) : m_progress(progress) {
        m_progress.Suspend();
    }
    ~AddProgressSuspension() { m_progress.Resume(); }
    AddProgressSuspension(const AddProgressSuspension&) = delete;
    AddProgressSuspension& operator=(const AddProgressSuspension&) = delete;

private:
    QtAddProgress& m_progress;
};
