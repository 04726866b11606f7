// A main window made of plain data for the task command tests, one fake per
// part of it, with fake dialogs, shell and power-off that record what they
// were asked.
#pragma once

#include "tasks/main_state.h"
#include "tasks/main_view.h"
#include "tasks/services.h"
#include "tests/support/fake_add_progress.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veltrano::test {

struct ShownMessage {
    std::string text;
    MessageIcon icon;
    bool operator==(const ShownMessage&) const = default;
};

class FakeDialogs : public UserDialogs {
public:
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::vector<std::string>>
    ChooseFilesToAdd(const std::vector<std::string>& filters) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override;
    AddProgress& AddingProgress() override { return addProgress; }

    std::vector<ShownMessage> messages;
    // What the file dialog returns; nothing means cancelled.
    std::optional<std::vector<std::string>> filesToAdd;
    std::vector<std::string> lastFilters;
    // The folder chooser's answers, one per showing; cancelled once used up.
    std::deque<std::optional<std::string>> folderChoices;
    std::vector<std::string> chooserTitles;
    std::vector<std::string> chooserStarts; // where each chooser opened
    FakeAddProgress addProgress;
};

class FakeShell : public DesktopShell {
public:
    bool OpenFolder(const std::string& folder) override;
    bool OpenUrl(const std::string& url) override;

    std::vector<std::string> openedFolders;
    std::vector<std::string> openedUrls;
};

class FakePower : public PowerControl {
public:
    bool PowerOff() override;

    int powerOffCalls = 0;
};

class FakeNotifier : public DesktopNotifier {
public:
    bool ProgramIsActive() const override { return programActive; }
    void Notify(const std::string& summary) override { notices.push_back(summary); }

    bool programActive = true;
    std::vector<std::string> notices;
};

struct FakeServices {
    FakeDialogs dialogs;
    FakeShell shell;
    FakePower power;
    FakeNotifier notifier;
    MainServices services{dialogs, shell, power, notifier};
};

// The task list as plain data; a Clip dialog notes the state's m_clipRow.
class FakeTaskList : public virtual TaskListView {
public:
    explicit FakeTaskList(const MainWindowState& clipState) : m_clipState(clipState) {}

    std::vector<std::string> Column(int column) const;
    std::vector<bool> CheckStates() const;

    int RowCount() const override;
    std::string RowText(int row, int column) const override;
    void SetRowText(int row, int column, const std::string& text) override;
    bool IsRowChecked(int row) const override;
    void SetRowChecked(int row, bool checked) override;
    void InsertRow(int position, const TaskRow& row) override;
    void RemoveRow(int row) override;
    void RemoveAllRows() override;
    void SetRowStatusTip(int row, const std::string& text) override;
    std::vector<std::string> StatusTips() const;
    void SetRowTrack(int row, std::shared_ptr<const CueTrack> track) override {
        rows[row].track = std::move(track);
    }
    std::shared_ptr<const CueTrack> RowTrack(int row) const override { return rows[row].track; }

    std::vector<int> SelectedRows() const override;
    void SetRowSelected(int row, bool selected) override;
    void SelectAndFocusRow(int row) override;
    void FocusList() override;
    void SetListVisible(bool visible) override;

    void SetButtonEnabled(int controlId, bool enabled) override;
    bool IsButtonEnabled(int controlId) const override;

    int ShowTaskMenu(bool rowSelected) override;
    void DispatchOnePendingEvent() override;
    void SetBusyCursor(bool busy) override;

    void ShowClipDialog() override;
    void ShowFileInformation() override;

    // A row with what the window shows beside its texts.
    struct FakeRow : TaskRow {
        FakeRow() = default;
        FakeRow(const TaskRow& row) : TaskRow(row) {}
        std::string statusTip;
        std::shared_ptr<const CueTrack> track;
    };
    std::vector<FakeRow> rows;
    std::set<int> selection;
    int focusedRow = -1;
    int listFocusCount = 0;
    bool listVisible = false;
    std::map<int, bool> buttons;

    int menuChoice = 0;
    std::vector<bool> menusShown; // rowSelected of each showing
    int dispatchedEvents = 0;
    std::vector<bool> busyCursorChanges;
    std::function<void(bool busy)> onBusyCursor;

    std::vector<int> clipRows; // m_clipRow at each Clip dialog
    int fileInformationShows = 0;

private:
    const MainWindowState& m_clipState;
};

// The format and Output combos as plain data.
class FakeOutputChoice : public virtual OutputChoiceView {
public:
    std::string CurrentFormatText() const override;
    std::string OutputFolderText() const override;
    std::vector<std::string> OutputFolderEntries() const override;
    void AddOutputFolderEntry(const std::string& folder) override;
    void ShowOutputFolder(const std::string& folder) override;

    std::string formatText;
    std::string outputFolderText;
    std::vector<std::string> folderEntries;
    std::string shownFolder;
};

// The progress dialog and its timer; each tick runs `onTick`.
class FakeProgress : public virtual ProgressView {
public:
    // Ticks every kTickMs while the conversion timer runs, until the dialog
    // ends or kSafetyLimitMs have passed. With runProgressDialog false it
    // only counts the showing and returns.
    void ShowProgressDialog() override;
    bool IsProgressDialogOpen() const override;
    void EndProgressDialog() override;
    void SetCurrentFileText(const std::string& text) override;
    void SetBatchText(const std::string& text) override;
    void SetCurrentFilePercent(int percent) override;
    void SetBatchPercent(int percent) override;

    void StartConversionTimer() override;
    void KillConversionTimer() override;

    // The progress dialog's Stop button: the dialog ends itself.
    void PressStop();

    static constexpr int kTickMs = 50;
    static constexpr int kSafetyLimitMs = 60000;

    std::function<void()> onTick;
    bool runProgressDialog = true;
    int progressDialogShows = 0;
    bool progressDialogOpen = false;
    bool hitSafetyLimit = false;
    int ticks = 0;
    // Runs before each tick, with the tick's number: a test presses Stop or
    // ticks the shut-down box here.
    std::function<void(int tick)> beforeTick;
    bool timerRunning = false;
    int timerStarts = 0;
    std::vector<std::string> currentFileTexts;
    std::vector<std::string> batchTexts;
    std::vector<int> currentFilePercents;
    std::vector<int> batchPercents;
};

// The whole window, its progress dialog running ProgressTick over this state
// and these services.
class FakeMainView : public MainView,
                     public FakeTaskList,
                     public FakeProgress,
                     public FakeOutputChoice {
public:
    FakeMainView(MainWindowState& state, MainServices& services);

    // A row as an added file would look, without probing anything.
    void AppendRow(const std::string& sourcePath, bool checked = true);

    MainWindowState& state;
    MainServices& services;
};

} // namespace veltrano::test
