#include "preview/preview_client.h"

#include "vantiro.h"

#include <QApplication>
#include <QWidget>

namespace {

// The caller names: fixed 11-character strings.
constexpr const char16_t* kMainWindowName = u"Main Window";
constexpr const char16_t* kClipDialogName = u"Clip Dialog";

void IgnoreValue(int32_t) {}

void MainWindowPlaybackEnded() {}

void NotifyClipWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowTitle() == QLatin1String("Clip")) {
            QEvent notice(kPlaybackEndEvent);
            QApplication::sendEvent(window, &notice);
            return;
        }
    }
}

// Called on the library's own thread: the notice is posted to the
// user-interface thread rather than handled here, and the library's thread
// never waits for it (the dialog's answer, Stop, waits for that thread).
void ClipDialogPlaybackEnded() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, &NotifyClipWindow, Qt::QueuedConnection);
    }
}

} // namespace

void TakePreviewForMainWindow() {
    Vantiro_Initialize(&MainWindowPlaybackEnded, &IgnoreValue, kMainWindowName);
}

void TakePreviewForClipDialog() {
    Vantiro_Initialize(&ClipDialogPlaybackEnded, &IgnoreValue, kClipDialogName);
}
