#include "cli/batch_setup.h"

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
    RowTrack track; // a track of an album image: exact bounds and tags
};

// Checks one file and works out its row; returns a refusal message, or "" with
// `file` filled in.
std::string CheckFile(AVConvert& engine, const CliOptions& options, const std::string& folder,
                      const std::string& path, AcceptedFile& file) {
    if (!AcceptsMediaFile(engine, path)) {
        return "File:" + path + " is invalid!";
    }
    const std::string extension = ExtensionFromFormatText(kOutputFormats[options.formatIndex].text);
    if (!BuildOutputPath(folder, path, extension, file.outputPath)) {
        return "File:" + path + " names no file, so it gets no output name";
    }
    const int duration = static_cast<int>(engine.m_durationSeconds);
    file.inputPath = path;
    file.clipStart = ParseHms(options.startText);
    file.clipEnd = std::min(ParseHms(options.endText.value_or(FormatHms(duration))), duration);
    if (file.clipStart > file.clipEnd) {
        return "File:" + path + " ends before the start time " + options.startText;
    }
    return "";
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

} // namespace

std::vector<SourceFile> SourceFiles(const std::vector<std::string>& arguments,
                                    const std::string& outputFolder) {
    std::vector<SourceFile> files;
    for (const std::string& argument : arguments) {
        if (!IsFolder(argument)) {
            files.push_back({argument, outputFolder});
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
                             subfolder.empty() ? outputFolder : JoinPath(outputFolder, subfolder)});
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
                                    std::vector<std::string>* notices) {
    const std::string folder = NormalizeFolder(options.outputFolder);
    std::vector<std::string> refusals;
    std::vector<AcceptedFile> accepted;
    for (const SourceFile& source : SourceFiles(options.files, folder)) {
        if (StopRequested(engine)) {
            break;
        }
        std::vector<AcceptedFile> files(IsCueSheetPath(source.path) ? 0 : 1);
        std::vector<std::string> cueNotices;
        std::string refusal =
            files.empty() ? CheckCueSheet(engine, options, source.outputFolder, source.path, files,
                                          cueNotices)
                          : CheckFile(engine, options, source.outputFolder, source.path, files[0]);
        if (!refusal.empty()) {
            refusals.push_back(std::move(refusal));
            continue;
        }
        if (notices) {
            notices->insert(notices->end(), cueNotices.begin(), cueNotices.end());
        }
        // A folder that cannot be made fails its rows with the reason why.
        if (source.outputFolder != folder) {
            MakeFolder(source.outputFolder);
        }
        std::move(files.begin(), files.end(), std::back_inserter(accepted));
    }
    FillRows(engine, accepted);
    SetOutputParameters(engine, options.codecId, options.bitRate, options.sampleRate,
                        options.channels);
    return refusals;
}
