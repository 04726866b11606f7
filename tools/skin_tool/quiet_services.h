// Services that do nothing: the skin tool's windows are only looked at, so
// no dialog, file manager, browser or power-off is ever reached.
#pragma once

#include "tasks/services.h"

#include <optional>
#include <string>
#include <vector>

class QuietDialogs : public UserDialogs {
public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    std::optional<std::vector<std::string>>
    ChooseFilesToAdd(const std::vector<std::string>&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

class QuietShell : public DesktopShell {
public:
    bool OpenFolder(const std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }
};

class QuietPower : public PowerControl {
public:
    bool PowerOff() override { return false; }
};
