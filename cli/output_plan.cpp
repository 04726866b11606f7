#include "cli/output_plan.h"

#include "engine/name_tags.h"
#include "profiles/output_catalogue.h"
#include "tasks/folder_files.h"
#include "tasks/output_names.h"
#include "tasks/output_path.h"

#include <map>
#include <set>
#include <sys/stat.h>

namespace {

std::string ExtensionOf(const CliOptions& options) {
    return ExtensionFromFormatText(kOutputFormats[options.formatIndex].text);
}

// The part of a relative path before its last "/"; "" when it has none.
std::string SubfolderOf(const std::string& relativePath) {
    const size_t slash = relativePath.rfind('/');
    return slash == std::string::npos ? "" : relativePath.substr(0, slash);
}

using FileId = std::pair<dev_t, ino_t>;

bool IdOf(const std::string& path, FileId& id) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    id = {info.st_dev, info.st_ino};
    return true;
}

} // namespace

bool PlanOutputPath(const CliOptions& options, const std::string& folder, const SourceFile& source,
                    std::string& outputPath, bool* opensAsMedia) {
    if (!options.namePattern) {
        if (opensAsMedia) {
            NameTags unused;
            *opensAsMedia = ReadNameTags(source.path, unused);
        }
        return BuildOutputPath(source.outputFolder, source.path, ExtensionOf(options), outputPath);
    }
    const NameRules rules = options.portableNames ? NameRules::Portable : NameRulesOfFolder(folder);
    return NamedOutputPath(*options.namePattern, rules, folder, source.path,
                           SubfolderOf(source.relativePath), ExtensionOf(options), outputPath,
                           opensAsMedia);
}

UpdatePlan PlanUpdate(const CliOptions& options, const std::string& folder,
                      const std::vector<SourceFile>& sources) {
    UpdatePlan plan;
    plan.outputs.resize(sources.size());
    plan.conflicts.resize(sources.size());
    plan.media.resize(sources.size());
    std::set<FileId> sourceIds;
    for (const SourceFile& source : sources) {
        if (FileId id; IdOf(source.path, id)) {
            sourceIds.insert(id);
        }
    }
    std::map<std::string, size_t> claimedBy;
    for (size_t i = 0; i < sources.size(); ++i) {
        bool media = false;
        std::string& output = plan.outputs[i];
        if (!PlanOutputPath(options, folder, sources[i], output, &media)) {
            output.clear();
            continue;
        }
        plan.media[i] = media;
        if (FileId id; IdOf(output, id) && sourceIds.count(id)) {
            plan.conflicts[i] = "its output name " + output + " is a source of this run";
            continue;
        }
        if (!media) {
            continue; // refused when its turn comes: it claims no name
        }
        const auto [claim, added] = claimedBy.try_emplace(output, i);
        if (!added) {
            plan.conflicts[i] = "its output name " + output + " is taken by " +
                                sources[claim->second].path + " in this run";
        }
    }
    return plan;
}
