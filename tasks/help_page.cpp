#include "tasks/help_page.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

bool IsFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

std::string HelpPageBeside(const std::string& appDir) {
    return (fs::path(appDir) / "help" / "index.html").lexically_normal().string();
}

std::string InstalledHelpPage(const std::string& appDir) {
    return (fs::path(appDir) / ".." / "share" / "veltrano" / "help" / "index.html")
        .lexically_normal()
        .string();
}

std::string FindHelpPage(const std::string& appDir) {
    if (appDir.empty()) {
        return "";
    }
    for (const std::string& page : {HelpPageBeside(appDir), InstalledHelpPage(appDir)}) {
        if (IsFile(page)) {
            return page;
        }
    }
    return "";
}
