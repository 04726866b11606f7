#include "tasks/output_path.h"

std::string ExtensionFromFormatText(std::string_view formatText) {
    const size_t star = formatText.rfind('*');
    const std::string_view tail =
        star == std::string_view::npos ? formatText : formatText.substr(star + 1);
    const size_t close = tail.find(')');
    if (close == std::string_view::npos) {
        return std::string(formatText);
    }
    return std::string(tail.substr(0, close));
}

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A file name without "." (README, a track called "01") is ordinary here: it
// is its own base name, so such a file converts like any other.
bool SourceBaseName(std::string_view sourcePath, std::string& baseName) {
    const std::string_view fileName = FileNameOf(sourcePath);
    if (fileName.empty()) {
        return false;
    }
    baseName = fileName.substr(0, fileName.rfind('.'));
    return true;
}

bool BuildOutputPath(std::string_view outputFolder, std::string_view sourcePath,
                     std::string_view extension, std::string& outputPath) {
    std::string baseName;
    if (!SourceBaseName(sourcePath, baseName)) {
        return false;
    }
    outputPath = std::string(outputFolder) + "/" + baseName + std::string(extension);
    return true;
}
