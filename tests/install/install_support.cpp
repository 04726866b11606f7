#include "install_support.h"

#include "tests/support/media_check.h"

#include <algorithm>
#include <filesystem>

namespace veltrano::test {

bool HasProgram(const std::string& name) {
    int exitCode = -1;
    RunCommand("command -v " + ShellQuote(name) + " >/dev/null 2>&1", &exitCode);
    return exitCode == 0;
}

std::vector<std::string> FilesBelow(const std::string& folder, bool withFolders) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (withFolders || !entry.is_directory()) {
            // Lexically, so that a link is listed under its own name, not its target's.
            files.push_back(entry.path().lexically_relative(folder).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace veltrano::test
