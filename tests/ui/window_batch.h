// Runs a batch from the main window's Convert button and returns when the
// progress dialog has ended. A batch that never ends is cut short after
// `limitMs`, so a fault fails the checks that follow instead of hanging the
// test program.
#pragma once

#include "resources/control_ids.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"

#include <QAbstractButton>
#include <QTimer>

inline void ConvertAndWait(CQuarvelDlg& window, int limitMs = 120000) {
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&window] {
        if (window.View().IsProgressDialogOpen()) {
            window.ProgressDialog().reject();
        }
    });
    safety.start(limitMs);
    FindControlAs<QAbstractButton>(window, ids::kConvert)->click();
    safety.stop();
}
