#include "tasks/output_names.h"

#include "engine/name_tags.h"
#include "tasks/folder_files.h"
#include "tasks/output_path.h"

#include <sys/stat.h>

namespace {

bool IsLater(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

} // namespace

bool NamedOutputPath(const NamePattern& pattern, NameRules rules, const std::string& folder,
                     const std::string& sourcePath, const std::string& subfolder,
                     const std::string& extension, std::string& outputPath, bool* opensAsMedia) {
    NameTags tags;
    if (!SourceBaseName(sourcePath, tags.name)) {
        return false;
    }
    tags.folder = subfolder;
    const bool media = ReadNameTags(sourcePath, tags);
    if (opensAsMedia) {
        *opensAsMedia = media;
    }
    outputPath = JoinPath(folder, ExpandNamePattern(pattern, tags, rules, extension));
    return true;
}

bool IsUpToDate(const std::string& sourcePath, const std::string& outputPath) {
    struct stat source {};
    struct stat output {};
    return ::stat(sourcePath.c_str(), &source) == 0 && ::stat(outputPath.c_str(), &output) == 0 &&
           S_ISREG(output.st_mode) && IsLater(output.st_mtim, source.st_mtim);
}

std::string NamePreview(const std::string& patternText, const std::string& sourcePath,
                        const std::string& extension) {
    NamePattern pattern;
    if (patternText.empty() || !ParseNamePattern(patternText, pattern).empty()) {
        return "";
    }
    NameTags tags;
    if (!sourcePath.empty() && SourceBaseName(sourcePath, tags.name)) {
        ReadNameTags(sourcePath, tags);
    }
    return ExpandNamePattern(pattern, tags, NameRules::Posix, extension);
}
