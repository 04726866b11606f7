// The progress of adding files as Qt shows it: a progress dialog, modal to the
// main window, with a Cancel button. Quick adds never show it.
#pragma once

#include "tasks/services.h"

#include <memory>
#include <vector>

class QProgressDialog;
class QWidget;

class QtAddProgress : public AddProgress {
public:
    QtAddProgress();
    ~QtAddProgress() override;

    void SetOwner(QWidget* owner) { m_owner = owner; }

    void Begin(int total) override;
    void Step(int done) override;
    bool Cancelled() const override;
    void End() override;

    // The dialog of the add under way, or null.
    QProgressDialog* Dialog() const;

    // Adds quicker than this never show the dialog.
    static constexpr int kShowAfterMs = 500;

private:
    QWidget* m_owner = nullptr;
    // An add started from an event handled while another add runs (before
    // its dialog shows and blocks the window) gets a dialog of its own.
    std::vector<std::unique_ptr<QProgressDialog>> m_dialogs;
};
