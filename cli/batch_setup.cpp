#include "cli/batch_setup.h"

#include "cli/output_plan.h"
#include "cli/source_record.h"
#include "engine/work_file.h"

#include "profiles/output_catalogue.h"
#include "tasks/add_files.h"
#include "tasks/batch_start.h"
#include "tasks/clock_text.h"
#include "tasks/folder_files.h"
#include "tasks/output_folder.h"
#include "tasks/output_path.h"

#include <algorithm>

namespace {

struct AcceptedFile {
    std::string inputPath;
    std::string outputPath;
    int clipStart = 0;
    int clipEnd = 0;
    double sourceSeconds = -1;
};

// Checks one file and works out its row with the output name planned for
// it, or its own when none was; returns a refusal message, or "" with `file`
// filled in.
std::string CheckFile(AVConvert& engine, const CliOptions& options, const std::string& folder,
                      const SourceFile& source, const std::string* plannedOutput,
                      AcceptedFile& file) {
    const std::string& path = source.path;
    if (!AcceptsMediaFile(engine, path)) {
        return "File:" + path + " is invalid!";
    }
    if (plannedOutput ? plannedOutput->empty()
                      : !PlanOutputPath(options, folder, source, file.outputPath)) {
        return "File:" + path + " names no file, so it gets no output name";
    }
    if (plannedOutput) {
        file.outputPath = *plannedOutput;
    }
    const int duration = static_cast<int>(engine.m_durationSeconds);
    file.inputPath = path;
    file.sourceSeconds = static_cast<double>(engine.m_durationMicros) / 1e6;
    file.clipStart = ParseHms(options.startText);
    file.clipEnd = std::min(ParseHms(options.endText.value_or(FormatHms(duration))), duration);
    if (file.clipStart > file.clipEnd) {
        return "File:" + path + " ends before the start time " + options.startText;
    }
    return "";
}

// Under --update, a source settled without converting it: one whose name is
// not its own to take, or whose output is newer than it. False when it is to
// be converted.
bool SettledByUpdate(const SourceFile& source, const UpdatePlan& plan, size_t index,
                     SourceRecord& record) {
    record.output = plan.outputs[index];
    if (!plan.conflicts[index].empty()) {
        record.outcome = SourceOutcome::Collided;
        record.reason = plan.conflicts[index];
        return true;
    }
    if (plan.media[index] && IsUpToDate(source.path, record.output)) {
        record.outcome = SourceOutcome::Skipped;
        return true;
    }
    return false;
}

// The part of a relative path before its last "/"; "" when it has none.
std::string SubfolderOf(const std::string& relativePath) {
    const size_t slash = relativePath.rfind('/');
    return slash == std::string::npos ? "" : relativePath.substr(0, slash);
}

void FillRows(AVConvert& engine, const std::vector<AcceptedFile>& files) {
    PrepareBatch(engine, static_cast<int32_t>(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        engine.m_inputPaths[i] = files[i].inputPath;
        engine.m_outputPaths[i] = files[i].outputPath;
        SetRowClip(engine, static_cast<int>(i), files[i].clipStart, files[i].clipEnd);
    }
    engine.m_checkedCount = static_cast<int32_t>(files.size());
}

} // namespace

std::vector<SourceFile> SourceFiles(const std::vector<std::string>& arguments,
                                    const std::string& outputFolder) {
    std::vector<SourceFile> files;
    for (const std::string& argument : arguments) {
        if (!IsFolder(argument)) {
            files.push_back({argument, outputFolder, std::string(FileNameOf(argument))});
            continue;
        }
        for (const std::string& relative : FilesInFolder(argument, outputFolder)) {
            const std::string subfolder = SubfolderOf(relative);
            files.push_back({JoinPath(argument, relative),
                             subfolder.empty() ? outputFolder : JoinPath(outputFolder, subfolder),
                             relative});
        }
    }
    return files;
}

std::string NormalizeFolder(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    return trimmed;
}

std::vector<std::string> SetUpBatch(AVConvert& engine, const CliOptions& options,
                                    std::vector<SourceRecord>* records) {
    const std::string folder = NormalizeFolder(options.outputFolder);
    const std::vector<SourceFile> sources = SourceFiles(options.files, folder);
    const UpdatePlan plan = options.update ? PlanUpdate(options, folder, sources) : UpdatePlan{};
    std::vector<std::string> refusals;
    std::vector<AcceptedFile> accepted;
    std::vector<SourceRecord> settled;
    for (size_t index = 0; index < sources.size(); ++index) {
        const SourceFile& source = sources[index];
        if (!InShard(source.relativePath, options.shard)) {
            continue;
        }
        if (StopRequested(engine)) {
            break;
        }
        SourceRecord record;
        record.input = source.path;
        if (options.update && SettledByUpdate(source, plan, index, record)) {
            settled.push_back(std::move(record));
            continue;
        }
        AcceptedFile file;
        if (std::string refusal = CheckFile(engine, options, folder, source,
                                            options.update ? &plan.outputs[index] : nullptr, file);
            !refusal.empty()) {
            record.outcome = SourceOutcome::Refused;
            record.reason = refusal;
            settled.push_back(std::move(record));
            refusals.push_back(std::move(refusal));
            continue;
        }
        // A folder that cannot be made fails its rows with the reason why.
        if (const std::string outputFolder = FolderOf(file.outputPath); outputFolder != folder) {
            MakeFolder(outputFolder);
        }
        record.output = file.outputPath;
        record.row = static_cast<int>(accepted.size());
        record.sourceSeconds = file.sourceSeconds;
        settled.push_back(std::move(record));
        accepted.push_back(std::move(file));
    }
    FillRows(engine, accepted);
    engine.m_replaceOutputs = options.update;
    SetOutputParameters(engine, options.codecId, options.bitRate, options.sampleRate,
                        options.channels);
    if (records) {
        *records = std::move(settled);
    }
    return refusals;
}
