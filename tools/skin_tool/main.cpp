// Renders the skin to PNG files:
//   veltrano-skin-tool picture ID OUT.png   picture ID at the screen's pixel ratio
//   veltrano-skin-tool icon SIZE OUT.png    the application icon, SIZE x SIZE
//   veltrano-skin-tool window OUT.png       the main window with a few tasks
//   veltrano-skin-tool empty-window OUT.png the main window as it starts
//   veltrano-skin-tool about OUT.png        the About box
//   veltrano-skin-tool clip OUT.png         the Clip dialog playing a test pattern
//   veltrano-skin-tool clip-audio OUT.png   the Clip dialog playing a tone
//   veltrano-skin-tool settings OUT.png     the Settings dialog over the window; the
//                                           same for file-info, message-box, progress
//                                           (converting), add-progress, context-menu
// The pixel ratio is the platform's: QT_SCALE_FACTOR=2 gives the 200 % look.
// Nothing is probed, opened or written beyond OUT.png and a temporary folder
// (where the Clip dialog's media is made with the ffmpeg program).
#include "tasks/task_list.h"
#include "tools/skin_tool/clip_shot.h"
#include "tools/skin_tool/dialog_shots.h"
#include "tools/skin_tool/quiet_services.h"
#include "ui/about_dialog.h"
#include "ui/main_window.h"
#include "ui/skin_palette.h"
#include "ui/skin_pictures.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

// A made-up output folder, so that every rendering shows the same text.
const char* const kShownFolder = "/home/you/Music/OutPut";

const TaskRow kDemoTasks[] = {
    {"/home/you/Music/Live at the Harbour.flac", "00:00:00", "00:04:12", "", " Ready", "252", true},
    {"/home/you/Videos/Holiday 2025.mp4", "00:00:00", "00:02:37", "", " Ready", "157", true},
    {"/home/you/Music/Field recording - rain.wav", "00:00:00", "00:09:05", "", " Ready", "545",
     true},
};

int Usage() {
    std::fprintf(stderr, "usage: veltrano-skin-tool picture ID OUT.png | icon SIZE OUT.png | "
                         "window OUT.png | empty-window OUT.png | about OUT.png | "
                         "clip OUT.png | clip-audio OUT.png | settings OUT.png | "
                         "file-info OUT.png | message-box OUT.png | progress OUT.png | "
                         "add-progress OUT.png | context-menu OUT.png \n");
    return 2;
}

int Save(const QImage& image, const char* path) {
    if (image.isNull() || !image.save(QString::fromLocal8Bit(path))) {
        std::fprintf(stderr, "veltrano-skin-tool: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

qreal ScreenRatio() {
    return QGuiApplication::primaryScreen()->devicePixelRatio();
}

enum class Shot { Window, EmptyWindow, About };

int RenderWindow(Shot shot, const char* path) {
    QTemporaryDir scratch;
    QuietDialogs dialogs;
    QuietShell shell;
    QuietPower power;
    MainServices services{dialogs, shell, power};
    AppLocations locations;
    locations.settingsPath = (scratch.path() + "/bin/Path_Registration.ini").toStdString();
    locations.defaultFolder = (scratch.path() + "/OutPut").toStdString();
    CQuarvelDlg window(services, locations);
    window.View().AddOutputFolderEntry(kShownFolder);
    window.View().ShowOutputFolder(kShownFolder);
    if (shot == Shot::Window) {
        for (TaskRow task : kDemoTasks) {
            task.outputFormatLabel = window.View().CurrentFormatText();
            window.View().InsertRow(window.View().RowCount(), task);
        }
        UpdateCommandButtons(window.View());
        window.View().SetRowSelected(1, true);
    }
    window.show();
    CAbout about(shell, dialogs, &window);
    QWidget& shown = shot == Shot::About ? static_cast<QWidget&>(about) : window;
    shown.show();
    // Let the window settle (layout, fonts, first paint) before grabbing it.
    QTimer::singleShot(200, &window, [&] { QApplication::quit(); });
    QApplication::exec();
    return Save(shown.grab().toImage(), path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ApplySkinLook(app);
    if (argc == 4 && std::strcmp(argv[1], "picture") == 0) {
        return Save(SkinPicture(std::atoi(argv[2]), ScreenRatio()), argv[3]);
    }
    if (argc == 4 && std::strcmp(argv[1], "icon") == 0) {
        const int side = std::atoi(argv[2]);
        return Save(SkinPictureWithAlpha(266, QSize(side, side)), argv[3]);
    }
    if (argc == 3 && std::strcmp(argv[1], "window") == 0) {
        return RenderWindow(Shot::Window, argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "empty-window") == 0) {
        return RenderWindow(Shot::EmptyWindow, argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "about") == 0) {
        return RenderWindow(Shot::About, argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "clip") == 0) {
        return RenderClipDialog(ClipShot::Video, argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "clip-audio") == 0) {
        return RenderClipDialog(ClipShot::Audio, argv[2]);
    }
    if (argc == 3 && DialogShotNamed(argv[1]) != nullptr) {
        return RenderDialog(*DialogShotNamed(argv[1]), argv[2]);
    }
    return Usage();
}
