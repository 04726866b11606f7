// Adds every file of a folder through the window's own Add Folder command (the
// real main window, offscreen, its task menu answered with "Add Folder.." and the
// folder chooser answering FOLDER) and prints how long that took:
//   veltrano_add_files_bench FOLDER
// One line: "rows <rows added> seconds <wall seconds>".
#include "bench/offscreen_window.h"
#include "resources/control_ids.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/main_window.h"
#include "ui/qt_add_progress.h"

#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

// Answers the task menu's next showing with "Add Folder.." as a user's keys
// would, once the menu runs its own loop.
void ChooseAddFolderFromTheNextMenu() {
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == ids::kMenuAddFolder) {
                menu->setActiveAction(action);
            }
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &press);
    });
}

// Scripted choosers, with the progress dialog a user sees while adding.
class BenchDialogs : public FakeUserDialogs {
public:
    AddProgress& AddingProgress() override { return progress; }
    QtAddProgress progress;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    OffscreenApplication app(argc, argv);
    FakeWindowServices<BenchDialogs> bench;
    BenchDialogs& dialogs = bench.dialogs;
    CQuarvelDlg window(bench.services, BenchLocations(argv[1]));
    dialogs.progress.SetOwner(&window);
    window.show();
    QApplication::processEvents();

    dialogs.folderChoices.push_back(argv[1]);
    auto* list = window.findChild<CCheckListCtrl*>();
    ChooseAddFolderFromTheNextMenu();
    const auto start = std::chrono::steady_clock::now();
    emit list->contextMenuRequested(QPoint());
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("rows %d seconds %.3f\n", window.View().RowCount(), elapsed.count());
    std::fprintf(stderr, "%zu files refused\n", dialogs.messages.size());
    return 0;
}
