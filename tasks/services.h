// Services outside the window that the task commands use. The real ones are
// made once at start-up and handed in; tests hand in fakes, so no test opens a
// real dialog, file manager or browser, or powers anything off.
#pragma once

#include "tasks/main_view.h"

#include <optional>
#include <string>
#include <vector>

// The progress of adding a list of files, with a Cancel for the user. Begin
// comes once before the first file, Step after each file taken (added or
// refused), End once after the last or after a cancel.
class AddProgress {
public:
    virtual ~AddProgress() = default;
    virtual void Begin(int total) = 0;
    virtual void Step(int done) = 0;
    // True once the user asked to stop adding.
    virtual bool Cancelled() const = 0;
    virtual void End() = 0;
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // A modal box with one OK button and the application's name as caption.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    // The multi-selection open-file dialog; `filters` are "description
    // (patterns)" entries, the first selected. Nothing when cancelled.
    virtual std::optional<std::vector<std::string>>
    ChooseFilesToAdd(const std::vector<std::string>& filters) = 0;
    // The folder chooser, opening in `startFolder` (an empty text leaves the
    // choice to the chooser); nothing when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& startFolder) = 0;
    // What shows the progress of adding files. The default shows nothing and
    // never cancels, for callers that have no window.
    virtual AddProgress& AddingProgress();
};

class DesktopShell {
public:
    virtual ~DesktopShell() = default;
    // Shows a folder in the file manager; false when the desktop refused.
    virtual bool OpenFolder(const std::string& folder) = 0;
    // Opens a web address in the browser; false when the desktop refused.
    virtual bool OpenUrl(const std::string& url) = 0;
};

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Asks the system to power off; true when it accepted.
    virtual bool PowerOff() = 0;
};

// Notices in the desktop's notification area, for news that comes while the
// user works in another program.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // True while one of this program's windows is the active window.
    virtual bool ProgramIsActive() const = 0;
    // Shows one notice with `summary` as its text. Never waits for the
    // desktop, and a desktop without notices simply shows nothing.
    virtual void Notify(const std::string& summary) = 0;
};

// A notifier that shows nothing, for callers that have no desktop.
DesktopNotifier& NoDesktopNotices();

// The services the main window's commands reach.
struct MainServices {
    UserDialogs& dialogs;
    DesktopShell& shell;
    PowerControl& power;
    DesktopNotifier& notifier = NoDesktopNotices();
};
