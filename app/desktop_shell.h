// The desktop's file manager and browser, reached through Qt.
#pragma once

#include "tasks/services.h"

class QtDesktopShell : public DesktopShell {
public:
    bool OpenFolder(const std::string& folder) override;
    bool OpenUrl(const std::string& url) override;
};
