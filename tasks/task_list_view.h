// What the task commands need from the window's task list: its rows, the
// buttons that depend on them, its menu and the dialogs it opens for a row.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct CueTrack;

// One task: a row of the task list, fields in column order.
struct TaskRow {
    std::string sourcePath;
    std::string startTime;
    std::string endTime;
    std::string outputFormatLabel;
    std::string statusText;
    std::string durationText;
    bool checked = false;
};

// The status of a row added, and of every row as a batch takes it in.
inline constexpr const char* kReadyStatus = " Ready";
inline constexpr const char* kFailedStatus = "Failure";
// A row left out of a batch because its output is newer than its source.
inline constexpr const char* kUpToDateStatus = "Up to date";

enum TaskColumn : int {
    ColumnSource = 0,
    ColumnStart = 1,
    ColumnEnd = 2,
    ColumnFormat = 3,
    ColumnStatus = 4,
    ColumnDuration = 5,
    kTaskColumnCount = 6,
};

class TaskListView {
public:
    virtual ~TaskListView() = default;

    // Task list rows.
    virtual int RowCount() const = 0;
    virtual std::string RowText(int row, int column) const = 0;
    virtual void SetRowText(int row, int column, const std::string& text) = 0;
    virtual bool IsRowChecked(int row) const = 0;
    virtual void SetRowChecked(int row, bool checked) = 0;
    virtual void InsertRow(int position, const TaskRow& row) = 0;
    virtual void RemoveRow(int row) = 0;
    virtual void RemoveAllRows() = 0;
    // The tooltip of a row's Status cell: why the row failed. An empty text
    // gives the cell back the tooltip the rest of its row has.
    virtual void SetRowStatusTip(int row, const std::string& text) = 0;
    // A row added as one track of an album image (its sourcePath) keeps the
    // track's exact bounds, name and tags; its cells' tips name the track.
    virtual void SetRowTrack(int row, std::shared_ptr<const CueTrack> track) = 0;
    // Null for a row of a whole file.
    virtual std::shared_ptr<const CueTrack> RowTrack(int row) const = 0;

    // Selection, in ascending row order.
    virtual std::vector<int> SelectedRows() const = 0;
    virtual void SetRowSelected(int row, bool selected) = 0;
    // Selects and focuses `row` and gives the list the keyboard focus.
    virtual void SelectAndFocusRow(int row) = 0;
    virtual void FocusList() = 0;
    virtual void SetListVisible(bool visible) = 0;

    // Enabling or disabling a task button (Convert, Cut, Empty, Setting, File
    // Information) by control id; the window also swaps its pictures here.
    virtual void SetButtonEnabled(int controlId, bool enabled) = 0;
    virtual bool IsButtonEnabled(int controlId) const = 0;

    // Shows the task list's context menu at the pointer and returns the chosen
    // command id, or 0 when nothing was chosen. With `rowSelected` false the
    // Remove, Clip and File Information items are greyed.
    virtual int ShowTaskMenu(bool rowSelected) = 0;

    // Lets the window handle one waiting event (between two added files).
    virtual void DispatchOnePendingEvent() = 0;

    // A busy cursor while the window waits for a worker to finish its file.
    virtual void SetBusyCursor(bool busy) = 0;

    // Modal dialogs of a row; the window decides what they show.
    virtual void ShowClipDialog() = 0;
    virtual void ShowFileInformation() = 0;
};
