#include "cli/output_plan.h"

#include "engine/name_tags.h"
#include "profiles/output_catalogue.h"
#include "tasks/folder_files.h"
#include "tasks/output_path.h"

namespace {

std::string ExtensionOf(const CliOptions& options) {
    return ExtensionFromFormatText(kOutputFormats[options.formatIndex].text);
}

// The part of a relative path before its last "/"; "" when it has none.
std::string SubfolderOf(const std::string& relativePath) {
    const size_t slash = relativePath.rfind('/');
    return slash == std::string::npos ? "" : relativePath.substr(0, slash);
}

} // namespace

bool PlanOutputPath(const CliOptions& options, const std::string& folder, const SourceFile& source,
                    std::string& outputPath) {
    if (!options.namePattern) {
        return BuildOutputPath(source.outputFolder, source.path, ExtensionOf(options), outputPath);
    }
    NameTags tags;
    if (!SourceBaseName(source.path, tags.name)) {
        return false;
    }
    tags.folder = SubfolderOf(source.relativePath);
    ReadNameTags(source.path, tags);
    const NameRules rules = options.portableNames ? NameRules::Portable : NameRulesOfFolder(folder);
    outputPath = JoinPath(
        folder, ExpandNamePattern(*options.namePattern, tags, rules, ExtensionOf(options)));
    return true;
}
