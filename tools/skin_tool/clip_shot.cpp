// The Clip dialog as a user sees it: a task's file playing, its picture in
// the preview area, grabbed after a second of playback.
#include "tools/skin_tool/clip_shot.h"
#include "tools/skin_tool/quiet_services.h"

#include "preview/clip_dialog.h"
#include "resources/control_ids.h"
#include "tasks/task_list.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kPlayMs = 1200;

// Eight seconds of the test pattern with a tone, or of the tone alone.
QString MakeDemoMedia(const QTemporaryDir& scratch, ClipShot shot) {
    const bool video = shot == ClipShot::Video;
    const QString file = scratch.filePath(video ? "Holiday 2025.mp4" : "Field recording.wav");
    QStringList arguments{"-nostdin", "-v", "error", "-y"};
    if (video) {
        arguments << "-f"
                  << "lavfi"
                  << "-i"
                  << "testsrc=size=320x180:rate=25:duration=8";
    }
    arguments << "-f"
              << "lavfi"
              << "-i"
              << "sine=frequency=440:sample_rate=44100:duration=8";
    if (video) {
        arguments << "-c:v"
                  << "mpeg4"
                  << "-q:v"
                  << "3"
                  << "-c:a"
                  << "aac"
                  << "-shortest";
    }
    arguments << file;
    return QProcess::execute("ffmpeg", arguments) == 0 ? file : QString();
}

} // namespace

int RenderClipDialog(ClipShot shot, const char* outPath) {
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) {
        qputenv("SDL_AUDIODRIVER", "dummy");
    }
    QTemporaryDir scratch;
    const QString media = MakeDemoMedia(scratch, shot);
    if (media.isEmpty()) {
        std::fprintf(stderr, "veltrano-skin-tool: cannot make the demo media (ffmpeg)\n");
        return 1;
    }
    QuietDialogs dialogs;
    QuietShell shell;
    QuietPower power;
    MainServices services{dialogs, shell, power};
    AppLocations locations;
    locations.settingsPath = (scratch.path() + "/bin/Path_Registration.ini").toStdString();
    locations.defaultFolder = (scratch.path() + "/OutPut").toStdString();
    CQuarvelDlg window(services, locations);
    window.View().InsertRow(0, {media.toStdString(), "00:00:02", "00:00:06",
                                window.View().CurrentFormatText(), " Ready", "8", true});
    UpdateCommandButtons(window.View());
    window.View().SetRowSelected(0, true);
    window.show();
    QImage grabbed;
    QTimer::singleShot(kPlayMs, &window, [&] {
        CClipDialog& dialog = window.ClipDialog();
        grabbed = dialog.grab().toImage();
        dialog.reject();
    });
    // The Clip command, as the list's context menu gives it.
    auto* clip = FindControlAs<QAbstractButton>(window, ids::kClip);
    clip->setEnabled(true);
    clip->click();
    if (grabbed.isNull() || !grabbed.save(QString::fromLocal8Bit(outPath))) {
        std::fprintf(stderr, "veltrano-skin-tool: cannot write %s\n", outPath);
        return 1;
    }
    return 0;
}
