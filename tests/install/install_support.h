// Paths into the DESTDIR install that tests/install/install_tree.sh makes.
#pragma once

#include "install_expectations.h"

#include <string>

namespace veltrano::test {

// A path below the installed prefix (/usr), e.g. Installed("bin/veltrano").
inline std::string Installed(const std::string& relative) {
    return std::string(kInstallRoot) + "/usr/" + relative;
}

inline std::string InstalledDesktopFile() {
    return Installed(std::string("share/applications/") + kAppId + ".desktop");
}

// Whether a program is on the PATH; validators that are missing skip.
bool HasProgram(const std::string& name);

// Every file below `folder` (and every folder, when asked), as paths
// relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& folder, bool withFolders = false);

} // namespace veltrano::test
