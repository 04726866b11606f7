#include "tasks/convert_command.h"

#include "engine/album_gain.h"
#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "tasks/batch_start.h"
#include "tasks/clock_text.h"
#include "tasks/cue_tracks.h"
#include "tasks/job_count.h"
#include "tasks/output_folder.h"
#include "tasks/output_names.h"
#include "tasks/output_path.h"

#include <map>

namespace {

// Fills m_checkedRows from the rows' check boxes; returns how many are checked.
int MapCheckedRows(const TaskListView& view, MainWindowState& state) {
    const int rows = view.RowCount();
    state.m_checkedRows.assign(static_cast<size_t>(rows), -1);
    int checked = 0;
    for (int row = 0; row < rows; ++row) {
        if (view.IsRowChecked(row)) {
            state.m_checkedRows[static_cast<size_t>(row)] = row;
            ++checked;
        }
    }
    return checked;
}

// A track of an album image keeps its exact bounds while its times are those
// it was added with; a track clipped anew converts the clip, still under the
// track's name and tags.
void FillTrackRow(AVConvert& engine, const TaskListView& view, const MainWindowState& state,
                  int row, const CueTrack& track, const std::string& extension) {
    const std::string start = view.RowText(row, ColumnStart);
    const std::string end = view.RowText(row, ColumnEnd);
    if (start == FormatHms(static_cast<int>(CueTrackStartSeconds(track))) &&
        end == FormatHms(static_cast<int>(CueTrackEndSeconds(track)))) {
        FillCueTrackRow(engine, row, track, state.m_outputFolder, extension);
        return;
    }
    engine.m_inputPaths[static_cast<size_t>(row)] = view.RowText(row, ColumnSource);
    engine.m_outputPaths[static_cast<size_t>(row)] =
        CueTrackOutputPath(state.m_outputFolder, track, extension);
    RowTrack named;
    named.tags = track.tags;
    SetRowTrack(engine, row, ParseHms(start), ParseHms(end), named);
}

// A plain row's output: its source's base name in the output folder, or the
// name the Settings dialog's pattern makes of its tags.
bool RowOutputPath(const MainWindowState& state, const std::string& source,
                   const std::string& extension, std::string& output) {
    NamePattern pattern;
    if (OutputSettings.namePattern.empty() ||
        !ParseNamePattern(OutputSettings.namePattern, pattern).empty()) {
        return BuildOutputPath(state.m_outputFolder, source, extension, output);
    }
    return NamedOutputPath(pattern, NameRulesOfFolder(state.m_outputFolder), state.m_outputFolder,
                           source, "", extension, output);
}

// Writes one checked row's paths and clip; false when its path names no file
// and so gives no output name.
bool FillBatchRow(AVConvert& engine, const TaskListView& view, const MainWindowState& state,
                  int row, const std::string& extension) {
    if (const std::shared_ptr<const CueTrack> track = view.RowTrack(row)) {
        FillTrackRow(engine, view, state, row, *track, extension);
        return true;
    }
    const std::string source = view.RowText(row, ColumnSource);
    std::string output;
    if (!RowOutputPath(state, source, extension, output)) {
        return false;
    }
    engine.m_inputPaths[static_cast<size_t>(row)] = source;
    engine.m_outputPaths[static_cast<size_t>(row)] = output;
    SetRowClip(engine, row, ParseHms(view.RowText(row, ColumnStart)),
               ParseHms(view.RowText(row, ColumnEnd)));
    return true;
}

// With "Only new and changed files", a plain row whose output is newer than
// its source is left out of the batch, as is one whose name an earlier row
// has taken (it would replace that row's new output). Returns how many rows
// stay in the batch.
int SettleUpToDateRows(AVConvert& engine, TaskListView& view, MainWindowState& state) {
    std::map<std::string, int> claimedBy;
    int remaining = 0;
    for (int row = 0; row < view.RowCount(); ++row) {
        const auto index = static_cast<size_t>(row);
        if (state.m_checkedRows[index] < 0) {
            continue;
        }
        const std::string& source = engine.m_inputPaths[index];
        const std::string& output = engine.m_outputPaths[index];
        std::string status;
        std::string tip;
        if (view.RowTrack(row) == nullptr) {
            const auto [claim, added] = claimedBy.try_emplace(output, row);
            if (!added) {
                status = kFailedStatus;
                tip = "its output name " + output + " is taken by " +
                      engine.m_inputPaths[static_cast<size_t>(claim->second)] + " in this batch";
            } else if (IsUpToDate(source, output)) {
                status = kUpToDateStatus;
                tip = "Skipped (up to date) " + output;
            }
        }
        if (status.empty()) {
            ++remaining;
            continue;
        }
        view.SetRowText(row, ColumnStatus, status);
        view.SetRowStatusTip(row, tip);
        state.m_checkedRows[index] = -1;
        engine.m_inputPaths[index].clear();
    }
    return remaining;
}

bool FillBatch(AVConvert& engine, MainView& view, MainWindowState& state, int checked) {
    const int rows = view.RowCount();
    state.m_completedCount = 0;
    PrepareBatch(engine, rows);
    engine.m_checkedCount = checked;
    StoreRelaxed(engine.m_progress, -1);
    const std::string extension = ExtensionFromFormatText(view.CurrentFormatText());
    for (int row = 0; row < rows; ++row) {
        if (state.m_checkedRows[static_cast<size_t>(row)] >= 0 &&
            !FillBatchRow(engine, view, state, row, extension)) {
            return false;
        }
    }
    engine.m_replaceOutputs = OutputSettings.onlyNewAndChanged;
    if (OutputSettings.onlyNewAndChanged) {
        engine.m_checkedCount = SettleUpToDateRows(engine, view, state);
    }
    return engine.m_checkedCount > 0;
}

// A row starts the batch afresh: a status or tip left by an earlier batch
// would otherwise stand for the file this one may cut short.
void MarkBatchRowsReady(TaskListView& view, const MainWindowState& state) {
    for (int row = 0; row < view.RowCount(); ++row) {
        if (state.m_checkedRows[static_cast<size_t>(row)] >= 0) {
            view.SetRowText(row, ColumnStatus, kReadyStatus);
            view.SetRowStatusTip(row, "");
        }
    }
}

// Every encoder a format offers has a codec, so the codec follows from the
// encoder's name alone, whatever file was probed last.
void WriteOutputParameters(AVConvert& engine) {
    int codecId = 0;
    LookupEncoderCodec(OutputSettings.audioEncoder, codecId);
    SetOutputParameters(engine, codecId, OutputSettings.audioBitRate, OutputSettings.sampleRate,
                        OutputSettings.channels);
    engine.m_writeReplayGain = OutputSettings.writeReplayGain;
    engine.m_albumMode = AlbumByTag;
    engine.m_normalizeLufs = OutputSettings.normalizeLufs;
    engine.m_normalizeAlbums = OutputSettings.normalizeAlbums;
}

} // namespace

void ConvertCommand(MainView& view, MainWindowState& state, UserDialogs& dialogs) {
    state.m_outputFolder = view.OutputFolderText();
    if (view.RowCount() == 0) {
        dialogs.ShowMessage(kNoTasksMessage, MessageIcon::Exclamation);
        return;
    }
    const int checked = MapCheckedRows(view, state);
    if (checked == 0) {
        dialogs.ShowMessage(kNoCheckedTaskMessage, MessageIcon::Exclamation);
        return;
    }
    if (!PrepareOutputFolder(state, dialogs)) {
        return;
    }
    SaveOutputFolder(state, state.m_outputFolder);

    AVConvert& engine = IdleEngine(view, state);
    if (!FillBatch(engine, view, state, checked)) {
        return;
    }
    MarkBatchRowsReady(view, state);
    WriteOutputParameters(engine);
    engine.m_jobCount = WindowJobCount(state);
    engine.m_splitRows = WindowSplitsRows(state);
    engine.m_stopRequested.store(false, std::memory_order_relaxed);
    state.m_batchEndHandled = false;
    // The progress dialog starts with its shut-down box unchecked.
    state.m_shutdownWhenDone = false;
    state.m_worker.Start(engine);
    view.StartConversionTimer();
    if (!view.IsProgressDialogOpen()) {
        view.ShowProgressDialog();
        // Stopped: the worker may still be finishing its files; whoever waits
        // for it next notes the rows it cut short.
        state.m_stoppedRowsPending = !state.m_batchEndHandled;
    }
}
