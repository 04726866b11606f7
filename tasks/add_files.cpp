#include "tasks/add_files.h"

#include "tasks/clock_text.h"
#include "tasks/engine_access.h"
#include "tasks/folder_files.h"
#include "tasks/output_path.h"
#include "tasks/task_list.h"

#include <algorithm>
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

constexpr const char* kReadyStatus = " Ready";

// A row for the file the engine probed last.
TaskRow ProbedRow(const AVConvert& engine, const std::string& path) {
    TaskRow row;
    row.sourcePath = path;
    row.startTime = FormatHms(static_cast<int>(engine.m_startSeconds));
    row.endTime = FormatHms(static_cast<int>(engine.m_durationSeconds));
    row.statusText = kReadyStatus;
    row.durationText = std::to_string(engine.m_durationMicros / 1000000);
    return row;
}

// Probes one file; a refused file is named in a message box.
bool CheckFile(MainView& view, MainWindowState& state, UserDialogs& dialogs,
               const std::string& path) {
    if (AcceptsMediaFile(IdleEngine(view, state), path)) {
        return true;
    }
    dialogs.ShowMessage(RefusedFileMessage(path), MessageIcon::Exclamation);
    return false;
}

void DeselectTopRow(MainView& view) {
    if (view.RowCount() > 0) {
        view.SetRowSelected(0, false);
    }
}

// The files of a folder being added, as full paths.
std::vector<std::string> FolderPaths(const MainView& view, const std::string& folder) {
    std::vector<std::string> paths;
    for (const std::string& file : FilesInFolder(folder, view.OutputFolderText())) {
        paths.push_back(JoinPath(folder, file));
    }
    return paths;
}

// What the Add command does with its chosen files: the accepted ones are
// appended, checked, with the current format's label.
void AppendFiles(MainView& view, MainWindowState& state, UserDialogs& dialogs,
                 const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        view.DispatchOnePendingEvent();
        if (!CheckFile(view, state, dialogs, path)) {
            continue;
        }
        TaskRow row = ProbedRow(*g_engine, path);
        row.outputFormatLabel = view.CurrentFormatText();
        row.checked = true;
        DeselectTopRow(view);
        // The end of the list as it is now: the event dispatched above may
        // have removed rows.
        view.InsertRow(view.RowCount(), row);
    }
}

// A dropped folder's files at the top of the list, keeping their name order.
void InsertDroppedFolder(MainView& view, MainWindowState& state, UserDialogs& dialogs,
                         const std::string& folder) {
    int position = 0;
    for (const std::string& path : FolderPaths(view, folder)) {
        if (!CheckFile(view, state, dialogs, path)) {
            continue;
        }
        DeselectTopRow(view);
        view.InsertRow(position++, ProbedRow(*g_engine, path));
    }
}

} // namespace

std::vector<std::string> AddFileFilterTexts() {
    std::vector<std::string> texts;
    texts.reserve(kAddFileFilters.size());
    for (const FileFilter& filter : kAddFileFilters) {
        std::string patterns = filter.patterns;
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        texts.push_back(std::string(filter.description) + " (" + patterns + ")");
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

void AddFilesFromDialog(MainView& view, MainWindowState& state, UserDialogs& dialogs) {
    const std::optional<std::vector<std::string>> chosen =
        dialogs.ChooseFilesToAdd(AddFileFilterTexts());
    if (chosen) {
        AppendFiles(view, state, dialogs, *chosen);
    }
    UpdateCommandButtons(view);
}

void AddFolderFromDialog(MainView& view, MainWindowState& state, UserDialogs& dialogs) {
    if (const std::optional<std::string> folder = dialogs.ChooseFolder(kChooseAddFolderTitle)) {
        AppendFiles(view, state, dialogs, FolderPaths(view, *folder));
    }
    UpdateCommandButtons(view);
}

void AddDroppedFiles(MainView& view, MainWindowState& state, UserDialogs& dialogs,
                     const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (IsFolder(path)) {
            InsertDroppedFolder(view, state, dialogs, path);
            continue;
        }
        if (!CheckFile(view, state, dialogs, path)) {
            continue;
        }
        DeselectTopRow(view);
        view.InsertRow(0, ProbedRow(*g_engine, path));
    }
    if (view.RowCount() > 0) {
        view.SelectAndFocusRow(0);
    }
    UpdateCommandButtons(view);
}
