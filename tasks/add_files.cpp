#include "tasks/add_files.h"

#include "tasks/cue_tracks.h"
#include "tasks/engine_access.h"
#include "tasks/folder_files.h"
#include "tasks/output_path.h"
#include "tasks/probe_pool.h"
#include "tasks/task_list.h"

#include <algorithm>
#include <chrono>
#include <optional>

// "*.*" would hide files without a "." (README, a ripped track named "01"),
// which are ordinary here; "*" matches every file.
const std::array<FileFilter, kAddFileFilterCount> kAddFileFilters = {{
    {"All files (*.*)", "*"},
    {"All audio files", "*.aac;*.ac3;*.aiff;*.ape;*.cue;*.mpa;*.au;*.flac;*.mp3;*.ogg;*.ra;*.ram;"
                        "*.wav;*.cda;*.m4a;*.wma"},
    {"Advanced Audio Coding files(*.aac)", "*.aac"},
    {"Advanced Interchage File Format(*.aiff)", "*.aiff"},
    {"Audio Code 3 files(*.ac3)", "*.ac3"},
    {"Monkey's Audio Files(*.ape;*.cue)", "*.ape;*.cue"},
    {"Sun AU Format(*.au)", "*.au"},
    {"Free Loseless Audio Codec(*.flac)", "*.flac"},
    {"MP3 files(*.mp3)", "*.mp3"},
    {"Ogg Vorbis Audio Files(*.ogg)", "*.ogg"},
    {"Real Audio Files(*.ra;*.ram)", "*.ra;*.ram"},
    {"WAV Audio Files(*.wav)", "*.wav"},
    {"Window Media Audio Files(*.wma)", "*.wma"},
    {"CD Audio(*.cda)", "*.cda"},
    {"MPEG-4 Audio(*.m4a)", "*.m4a"},
    {"All media files", "*.flv;*.swf;*.mov;*.qt;*.avi;*.mpg;*.mpeg;*.mod;*.tod;*.mts;*.ts;*.nut;"
                        "*.h264;*.nsv;*.dv;*.rm;*.rmvb;*.m2t;*.vob;*.dat;*.mkv;*.mp4;*.m4v;*.3gp;"
                        "*.3g2;*.3gpp;*.asf;*.wmv;*.wm"},
    {"Flash files (*.flv)", "*.flv"},
    {"Real Media Files(*.rm;*.rmvb)", "*.rm;*.rmvb"},
    {"QuickTime files(*.mov;*.qt)", "*.qt;*.mov"},
    {"AVI files(*.avi)", "*.avi"},
    {"MPEG files(*.mpg;*.mpeg)", "*.mpg;*.mpeg"},
    {"Unprotected VOB files(*.vob)", "*.vob"},
    {"VCD files(*.dat)", "*.dat"},
    {"Matroska Video files(*.mkv)", "*.mkv"},
    {"MP4 files(*.mp4;*.m4v)", "*.mp4;*.m4v"},
    {"3GP files(*.3gp;*.3g2;*.3gpp)", "*.3gp;*.3g2;*.3gpp"},
    {"Windows Media files(*.asf;*.wmv)", "*.asf;*.wmv"},
    {"MOD files(*.mod)", "*.mod"},
    {"TOD files(*.tod)", "*.tod"},
    {"High-Definition files(*.mts;*.ts;*.m2t)", "*.mts;*.ts;*.m2ts"},
    {"Digital Video files(*.dv)", "*.dv"},
    {"NUT files(*.nut)", "*.nut"},
    {"Raw H.264 video files(*.h264)", "*.h264"},
    {"Nullsoft Stream Video(*.nsv)", "*.nsv"},
}};

namespace {

// How long the window waits for a slow probe before it lets the window paint
// and looks at Cancel again.
constexpr std::chrono::milliseconds kProbeWait{50};

void DeselectTopRow(TaskListView& view) {
    if (view.RowCount() > 0) {
        view.SetRowSelected(0, false);
    }
}

// The files of a folder being added, as full paths.
std::vector<std::string> FolderPaths(const OutputChoiceView& view, const std::string& folder) {
    std::vector<std::string> paths;
    for (const std::string& file : FilesInFolder(folder, view.OutputFolderText())) {
        paths.push_back(JoinPath(folder, file));
    }
    // An image beside its cue sheet comes as the sheet's tracks only.
    return WithoutCueImages(std::move(paths));
}

// One file to add. A group is what one dropped item brings: a file, or a
// folder's files, which go to the top keeping their order among themselves.
// A file of a folder was not named by the user: when refused it is listed in
// one message at the end instead of a message of its own.
struct FileToAdd {
    std::string path;
    bool startsGroup = true;
    bool inFolder = false;
};

std::vector<FileToAdd> NamedFiles(const std::vector<std::string>& paths) {
    std::vector<FileToAdd> files;
    files.reserve(paths.size());
    for (const std::string& path : paths) {
        files.push_back({path, false, false});
    }
    return files;
}

std::vector<FileToAdd> FolderFiles(const OutputChoiceView& view, const std::string& folder) {
    std::vector<FileToAdd> files;
    for (std::string& file : FolderPaths(view, folder)) {
        files.push_back({std::move(file), false, true});
    }
    return files;
}

std::vector<FileToAdd> DroppedFiles(const OutputChoiceView& view,
                                    const std::vector<std::string>& paths) {
    std::vector<FileToAdd> files;
    for (const std::string& path : paths) {
        if (!IsFolder(path)) {
            files.push_back({path, true, false});
            continue;
        }
        bool first = true;
        for (FileToAdd& file : FolderFiles(view, path)) {
            file.startsGroup = first;
            files.push_back(std::move(file));
            first = false;
        }
    }
    return files;
}

// Where the accepted files go: appended (checked, with the current format's
// label) or dropped (at the top of their group, unchecked, unlabelled).
class RowPlacement {
public:
    explicit RowPlacement(bool appended) : m_appended(appended) {}

    // Returns the row's position.
    int Place(MainView& view, const FileToAdd& file, TaskRow row) {
        if (file.startsGroup) {
            m_groupPosition = 0;
        }
        if (m_appended) {
            row.outputFormatLabel = view.CurrentFormatText();
            row.checked = true;
        }
        DeselectTopRow(view);
        // The list as it is now: an event handled while adding may have
        // removed rows.
        const int end = view.RowCount();
        const int position = m_appended ? end : std::min(m_groupPosition++, end);
        view.InsertRow(position, row);
        return position;
    }

private:
    bool m_appended;
    int m_groupPosition = 0;
};

// The tracks of a cue sheet, in the sheet's order, where the sheet's file
// would have gone.
void PlaceTracks(MainView& view, RowPlacement& placement, const FileToAdd& sheet,
                 std::vector<TrackRow> tracks) {
    FileToAdd file = sheet;
    for (TrackRow& track : tracks) {
        view.SetRowTrack(placement.Place(view, file, std::move(track.row)), std::move(track.track));
        file.startsGroup = false;
    }
}

// The probe of files[index], letting the window paint while it runs; nothing
// when the user cancelled meanwhile.
std::optional<ProbedFile> AwaitProbe(TaskListView& view, AddProgress& progress, ProbePool& probes,
                                     std::size_t index) {
    for (;;) {
        if (progress.Cancelled()) {
            return std::nullopt;
        }
        if (std::optional<ProbedFile> probed = probes.WaitFor(index, kProbeWait)) {
            return probed;
        }
        view.DispatchOnePendingEvent();
    }
}

// Probes the files on worker threads and takes the results in list order:
// the accepted ones are placed, each refused one is named in a message box.
// One event is handled before each file, so the window keeps painting; a
// cancel keeps the rows added so far and adds nothing more.
void AddFiles(MainView& view, MainWindowState& state, UserDialogs& dialogs,
              const std::vector<FileToAdd>& files, RowPlacement placement) {
    if (files.empty()) {
        return;
    }
    // A stopped batch's worker may still be finishing its files: wait for it,
    // so that the rows it cut short are noted before the list changes.
    IdleEngine(view, state);
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const FileToAdd& file : files) {
        paths.push_back(file.path);
    }
    AddProgress& progress = dialogs.AddingProgress();
    progress.Begin(static_cast<int>(files.size()));
    std::size_t taken = 0;
    std::vector<std::string> leftOut;
    {
        ProbePool probes(std::move(paths), ProbePool::DefaultThreadCount(files.size()));
        for (; taken < files.size(); ++taken) {
            view.DispatchOnePendingEvent();
            std::optional<ProbedFile> probed = AwaitProbe(view, progress, probes, taken);
            if (!probed) {
                break;
            }
            const FileToAdd& file = files[taken];
            if (probed->accepted && !probed->tracks.empty()) {
                PlaceTracks(view, placement, file, std::move(probed->tracks));
            } else if (probed->accepted) {
                placement.Place(view, file, std::move(probed->row));
            } else if (!probed->refusal.empty()) {
                dialogs.ShowMessage(probed->refusal, MessageIcon::Exclamation);
            } else if (file.inFolder) {
                leftOut.push_back(file.path);
            } else {
                dialogs.ShowMessage(RefusedFileMessage(file.path), MessageIcon::Exclamation);
            }
            if (!probed->notice.empty()) {
                dialogs.ShowMessage(probed->notice, MessageIcon::Exclamation);
            }
            progress.Step(static_cast<int>(taken + 1));
        }
    }
    progress.End();
    if (!leftOut.empty()) {
        dialogs.ShowMessage(LeftOutFilesMessage(leftOut), MessageIcon::Exclamation);
    }
}

} // namespace

// The file dialog reads a filter's patterns from the last parenthesis of its
// text, separated by blanks. A description that names its patterns keeps its
// name and shows the patterns it matches with there; one without gets them.
std::vector<std::string> AddFileFilterTexts() {
    std::vector<std::string> texts;
    texts.reserve(kAddFileFilters.size());
    for (const FileFilter& filter : kAddFileFilters) {
        const std::string description = filter.description;
        std::string patterns = filter.patterns;
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        const std::size_t open = description.rfind('(');
        const std::string name =
            open == std::string::npos ? description + " " : description.substr(0, open);
        texts.push_back(name + "(" + patterns + ")");
    }
    return texts;
}

bool AcceptsMediaFile(AVConvert& engine, const std::string& path) {
    engine.m_probePath = path;
    const int result = ProbeMediaFile(engine);
    return result >= 0 && engine.m_startSeconds >= 0 && engine.m_durationSeconds >= 0;
}

std::string RefusedFileMessage(const std::string& path) {
    return "File:" + std::string(FileNameOf(path)) + " is invalid!";
}

std::string LeftOutFilesMessage(const std::vector<std::string>& paths) {
    std::string text;
    const std::size_t listed = std::min(paths.size(), kListedLeftOutFiles);
    for (std::size_t index = 0; index < listed; ++index) {
        text += (index > 0 ? "\n" : "") + RefusedFileMessage(paths[index]);
    }
    if (paths.size() > listed) {
        text += "\nand " + std::to_string(paths.size() - listed) + " more invalid files.";
    }
    return text;
}

void AddFilesFromDialog(MainView& view, MainWindowState& state, UserDialogs& dialogs) {
    const std::optional<std::vector<std::string>> chosen =
        dialogs.ChooseFilesToAdd(AddFileFilterTexts());
    if (chosen) {
        AddFiles(view, state, dialogs, NamedFiles(*chosen), RowPlacement(true));
    }
    UpdateCommandButtons(view);
}

void AddFolderFromDialog(MainView& view, MainWindowState& state, UserDialogs& dialogs) {
    if (const std::optional<std::string> folder = dialogs.ChooseFolder(kChooseAddFolderTitle, "")) {
        AddFiles(view, state, dialogs, FolderFiles(view, *folder), RowPlacement(true));
    }
    UpdateCommandButtons(view);
}

void AddNamedFiles(MainView& view, MainWindowState& state, UserDialogs& dialogs,
                   const std::vector<std::string>& paths) {
    std::vector<FileToAdd> files;
    for (const std::string& path : paths) {
        if (IsFolder(path)) {
            for (FileToAdd& file : FolderFiles(view, path)) {
                files.push_back(std::move(file));
            }
        } else {
            files.push_back({path, false, false});
        }
    }
    AddFiles(view, state, dialogs, files, RowPlacement(true));
    UpdateCommandButtons(view);
}

void AddDroppedFiles(MainView& view, MainWindowState& state, UserDialogs& dialogs,
                     const std::vector<std::string>& paths) {
    AddFiles(view, state, dialogs, DroppedFiles(view, paths), RowPlacement(false));
    if (view.RowCount() > 0) {
        view.SelectAndFocusRow(0);
    }
    UpdateCommandButtons(view);
}
