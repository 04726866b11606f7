#include "cli/batch_setup.h"

#include "engine/album_gain.h"

#include "cli/output_plan.h"
#include "cli/source_record.h"
#include "engine/work_file.h"

#include "profiles/output_catalogue.h"
#include "tasks/add_files.h"
#include "tasks/batch_start.h"
#include "tasks/clock_text.h"
#include "tasks/cue_tracks.h"
#include "tasks/folder_files.h"
#include "tasks/output_folder.h"
#include "tasks/output_path.h"

#include <algorithm>
#include <iterator>

namespace {

struct AcceptedFile {
    std::string inputPath;
    std::string outputPath;
    double clipStart = 0;
    double clipEnd = 0;
    double sourceSeconds = -1;
    RowTrack track; // a track of an album image: exact bounds and tags
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

// One file per track of a cue sheet; the start and end options are for whole
// files and leave the tracks alone.
std::string CheckCueSheet(AVConvert& engine, const CliOptions& options, const std::string& folder,
                          const std::string& path, std::vector<AcceptedFile>& files,
                          std::vector<std::string>& notices) {
    const CueAlbum album = LoadCueAlbum(engine, path);
    if (album.Refused()) {
        return "File:" + path + " is invalid! " + CueRefusalReason(album);
    }
    for (const std::string& notice : album.notices) {
        notices.push_back(CueNoticeMessage(path, notice));
    }
    const std::string extension = ExtensionFromFormatText(kOutputFormats[options.formatIndex].text);
    for (const CueTrack& track : album.tracks) {
        AcceptedFile file;
        file.inputPath = track.imagePath;
        file.outputPath = CueTrackOutputPath(folder, track, extension);
        file.clipStart = CueTrackStartSeconds(track);
        file.clipEnd = CueTrackEndSeconds(track);
        file.track = RowTrackOf(track);
        files.push_back(std::move(file));
    }
    return "";
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
        SetRowTrack(engine, static_cast<int>(i), files[i].clipStart, files[i].clipEnd,
                    files[i].track);
    }
    engine.m_checkedCount = static_cast<int32_t>(files.size());
}

// A cue sheet's tracks, each a row and a record of its own; a refused sheet
// is one refusal.
void AddCueSheetRows(AVConvert& engine, const CliOptions& options, const SourceFile& source,
                     const SourceRecord& sheet, std::vector<AcceptedFile>& accepted,
                     std::vector<SourceRecord>& settled, std::vector<std::string>& refusals,
                     std::vector<std::string>* notices) {
    std::vector<AcceptedFile> tracks;
    std::vector<std::string> cueNotices;
    if (std::string refusal =
            CheckCueSheet(engine, options, source.outputFolder, source.path, tracks, cueNotices);
        !refusal.empty()) {
        SourceRecord record = sheet;
        record.outcome = SourceOutcome::Refused;
        record.reason = refusal;
        settled.push_back(std::move(record));
        refusals.push_back(std::move(refusal));
        return;
    }
    if (notices) {
        notices->insert(notices->end(), cueNotices.begin(), cueNotices.end());
    }
    MakeFolder(source.outputFolder);
    for (AcceptedFile& track : tracks) {
        SourceRecord record = sheet;
        record.output = track.outputPath;
        record.row = static_cast<int>(accepted.size());
        record.sourceSeconds = track.clipEnd - track.clipStart;
        settled.push_back(std::move(record));
        accepted.push_back(std::move(track));
    }
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
        const std::vector<std::string> relatives = FilesInFolder(argument, outputFolder);
        std::vector<std::string> paths;
        for (const std::string& relative : relatives) {
            paths.push_back(JoinPath(argument, relative));
        }
        // An image beside its cue sheet comes as the sheet's tracks only.
        const std::set<std::string> images = CueImagesAmong(paths);
        for (const std::string& relative : relatives) {
            if (images.count(JoinPath(argument, relative)) > 0) {
                continue;
            }
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
                                    std::vector<SourceRecord>* records,
                                    std::vector<std::string>* notices) {
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
        if (IsCueSheetPath(source.path)) {
            AddCueSheetRows(engine, options, source, record, accepted, settled, refusals, notices);
            continue;
        }
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
    engine.m_writeReplayGain = options.replayGain;
    engine.m_albumMode = options.albumByFolder ? AlbumByFolder : AlbumByTag;
    engine.m_normalizeLufs = options.normalizeLufs;
    engine.m_normalizeAlbums = options.normalizeAlbums;
    SetOutputParameters(engine, options.codecId, options.bitRate, options.sampleRate,
                        options.channels);
    if (records) {
        *records = std::move(settled);
    }
    return refusals;
}
