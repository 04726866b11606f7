#include "tools/skin_tool/dialog_shots.h"

#include "profiles/output_catalogue.h"
#include "tasks/file_info_texts.h"
#include "tasks/task_list.h"
#include "tools/skin_tool/quiet_services.h"
#include "ui/file_info_dialog.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/qt_add_progress.h"
#include "ui/qt_user_dialogs.h"
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QImage>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr int kSettleMs = 200;

const struct {
    const char* name;
    DialogShot shot;
} kShotNames[] = {
    {"settings", DialogShot::Settings},        {"file-info", DialogShot::FileInfo},
    {"message-box", DialogShot::MessageBox},   {"progress", DialogShot::Progress},
    {"add-progress", DialogShot::AddProgress}, {"context-menu", DialogShot::ContextMenu},
};

FileInfoTexts DemoFacts() {
    FileInfoTexts facts;
    facts.filePathText = "/home/you/Videos/Holiday 2025.mp4";
    facts.endTimeText = "00:02:37";
    facts.frameRateText = "25.00 fps";
    facts.widthText = "1920";
    facts.heightText = "1080";
    // The probe's codec ids (H.264, AAC) and bit rates in bits a second.
    facts.videoCodecText = "27";
    facts.audioCodecText = "86018";
    facts.videoBitRateText = "8000000";
    facts.channelsText = "2";
    facts.sampleRateText = "48000";
    facts.audioBitRateText = "192000";
    return facts;
}

// Shows `widget` (not modal) and grabs it once it has settled.
QImage GrabShown(QWidget& widget) {
    widget.show();
    QImage grabbed;
    QTimer::singleShot(kSettleMs, [&] {
        grabbed = widget.grab().toImage();
        QApplication::quit();
    });
    QApplication::exec();
    return grabbed;
}

// Grabs the modal window or popup that `open` shows and runs until it ends.
QImage GrabWhileOpen(const std::function<void()>& open, const std::function<QWidget*()>& shown) {
    QImage grabbed;
    QTimer::singleShot(kSettleMs, [&] {
        if (QWidget* widget = shown()) {
            grabbed = widget->grab().toImage();
            widget->close();
        }
    });
    open();
    return grabbed;
}

QImage Render(DialogShot shot, CQuarvelDlg& window) {
    switch (shot) {
    case DialogShot::Settings: {
        QuietDialogs dialogs;
        CSettings settings(OutputSettings, dialogs, window.View().CurrentFormatText(), &window);
        return GrabShown(settings);
    }
    case DialogShot::FileInfo: {
        CFileInfomation info(DemoFacts(), &window);
        return GrabShown(info);
    }
    case DialogShot::MessageBox: {
        QtUserDialogs boxes;
        boxes.SetOwner(&window);
        return GrabWhileOpen(
            [&] {
                boxes.ShowMessage("The output folder could not be made.", MessageIcon::Exclamation);
            },
            [] { return QApplication::activeModalWidget(); });
    }
    case DialogShot::Progress: {
        auto* progress = window.findChild<CAVConvertDlg*>();
        progress->SetCurrentFileText("Converting... Live at the Harbour.flac");
        progress->SetBatchText("Converting... 1 of 3");
        progress->SetCurrentFilePercent(64);
        progress->SetBatchPercent(21);
        return GrabShown(*progress);
    }
    case DialogShot::AddProgress: {
        QtAddProgress progress;
        progress.SetOwner(&window);
        progress.Begin(6000);
        progress.Step(2350);
        QProgressDialog* dialog = progress.Dialog();
        dialog->setMinimumDuration(0);
        const QImage grabbed = GrabShown(*dialog);
        progress.End();
        return grabbed;
    }
    case DialogShot::ContextMenu:
        return GrabWhileOpen([&] { window.View().ShowTaskMenu(true); },
                             [] { return QApplication::activePopupWidget(); });
    }
    return {};
}

const TaskRow kDemoTasks[] = {
    {"/home/you/Music/Live at the Harbour.flac", "00:00:00", "00:04:12", "", " Ready", "252", true},
    {"/home/you/Videos/Holiday 2025.mp4", "00:00:00", "00:02:37", "", " Ready", "157", true},
};

} // namespace

const DialogShot* DialogShotNamed(const char* name) {
    for (const auto& entry : kShotNames) {
        if (std::strcmp(entry.name, name) == 0) {
            return &entry.shot;
        }
    }
    return nullptr;
}

int RenderDialog(DialogShot shot, const char* outPath) {
    QTemporaryDir scratch;
    QuietDialogs dialogs;
    QuietShell shell;
    QuietPower power;
    MainServices services{dialogs, shell, power};
    AppLocations locations;
    locations.settingsPath = (scratch.path() + "/bin/Path_Registration.ini").toStdString();
    locations.defaultFolder = (scratch.path() + "/OutPut").toStdString();
    CQuarvelDlg window(services, locations);
    for (TaskRow task : kDemoTasks) {
        task.outputFormatLabel = window.View().CurrentFormatText();
        window.View().InsertRow(window.View().RowCount(), task);
    }
    UpdateCommandButtons(window.View());
    window.View().SetRowSelected(0, true);
    window.show();
    const QImage grabbed = Render(shot, window);
    if (grabbed.isNull() || !grabbed.save(QString::fromLocal8Bit(outPath))) {
        std::fprintf(stderr, "veltrano-skin-tool: cannot write %s\n", outPath);
        return 1;
    }
    return 0;
}
