// Stand-ins for the message boxes, choosers, desktop and power-off that record
// what the window asked of them and answer from a script.
#pragma once

#include "tasks/services.h"
#include "tests/support/fake_add_progress.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

class FakeUserDialogs : public UserDialogs {
public:
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        messages.emplace_back(text, icon);
    }
    std::optional<std::vector<std::string>>
    ChooseFilesToAdd(const std::vector<std::string>& filters) override {
        lastFilters = filters;
        if (fileChoices.empty()) {
            return std::nullopt;
        }
        std::vector<std::string> chosen = std::move(fileChoices.front());
        fileChoices.pop_front();
        return chosen;
    }
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override {
        folderTitles.push_back(title);
        folderStarts.push_back(startFolder);
        if (folderChoices.empty()) {
            return std::nullopt;
        }
        std::string chosen = std::move(folderChoices.front());
        folderChoices.pop_front();
        return chosen;
    }
    AddProgress& AddingProgress() override { return addProgress; }

    std::vector<std::pair<std::string, MessageIcon>> messages;
    std::deque<std::vector<std::string>> fileChoices; // one entry per Add; none: cancelled
    std::deque<std::string> folderChoices;
    std::vector<std::string> lastFilters;
    std::vector<std::string> folderTitles;
    std::vector<std::string> folderStarts; // where each chooser opened
    FakeAddProgress addProgress;
};

class FakeDesktopShell : public DesktopShell {
public:
    bool OpenFolder(const std::string& folder) override {
        openedFolders.push_back(folder);
        return true;
    }
    bool OpenUrl(const std::string& url) override {
        openedUrls.push_back(url);
        return true;
    }

    std::vector<std::string> openedFolders;
    std::vector<std::string> openedUrls;
};

class FakePowerControl : public PowerControl {
public:
    bool PowerOff() override {
        ++powerOffCalls;
        return false;
    }

    int powerOffCalls = 0;
};

class FakeDesktopNotifier : public DesktopNotifier {
public:
    bool ProgramIsActive() const override { return programActive; }
    void Notify(const std::string& summary) override { notices.push_back(summary); }

    bool programActive = true;
    std::vector<std::string> notices;
};

// The stand-ins and the services that hand them to a window: a base of a test
// fixture, or one object in a test or a tool. `Dialogs` may script more than
// FakeUserDialogs does.
template <class Dialogs = FakeUserDialogs> struct FakeWindowServices {
    Dialogs dialogs;
    FakeDesktopShell shell;
    FakePowerControl power;
    FakeDesktopNotifier notifier;
    MainServices services{dialogs, shell, power, notifier};
};
