#include "tests/tasks/fake_main_view.h"

#include "profiles/output_catalogue.h"
#include "tasks/progress_tick.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace veltrano::test {

void FakeDialogs::ShowMessage(const std::string& text, MessageIcon icon) {
    messages.push_back({text, icon});
}

std::optional<std::vector<std::string>>
FakeDialogs::ChooseFilesToAdd(const std::vector<std::string>& filters) {
    lastFilters = filters;
    return filesToAdd;
}

std::optional<std::string> FakeDialogs::ChooseFolder(const std::string& title,
                                                     const std::string& startFolder) {
    chooserTitles.push_back(title);
    chooserStarts.push_back(startFolder);
    if (folderChoices.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> choice = folderChoices.front();
    folderChoices.pop_front();
    return choice;
}

bool FakeShell::OpenFolder(const std::string& folder) {
    openedFolders.push_back(folder);
    return true;
}

bool FakeShell::OpenUrl(const std::string& url) {
    openedUrls.push_back(url);
    return true;
}

bool FakePower::PowerOff() {
    ++powerOffCalls;
    return true;
}

FakeMainView::FakeMainView(MainWindowState& state, MainServices& services)
    : FakeTaskList(state), state(state), services(services) {
    formatText = kOutputFormats[0].text;
    onTick = [this] { ProgressTick(*this, this->state, this->services); };
}

void FakeMainView::AppendRow(const std::string& sourcePath, bool checked) {
    TaskRow row;
    row.sourcePath = sourcePath;
    row.startTime = "00:00:00";
    row.endTime = "00:00:05";
    row.outputFormatLabel = formatText;
    row.statusText = " Ready";
    row.durationText = "5";
    row.checked = checked;
    rows.push_back(row);
}

std::vector<std::string> FakeTaskList::Column(int column) const {
    std::vector<std::string> texts;
    for (int row = 0; row < RowCount(); ++row) {
        texts.push_back(RowText(row, column));
    }
    return texts;
}

std::vector<bool> FakeTaskList::CheckStates() const {
    std::vector<bool> states;
    for (const TaskRow& row : rows) {
        states.push_back(row.checked);
    }
    return states;
}

int FakeTaskList::RowCount() const {
    return static_cast<int>(rows.size());
}

namespace {

// A row's column text, const or not.
template <typename Row> auto& Field(Row& row, int column) {
    switch (column) {
    case ColumnSource:
        return row.sourcePath;
    case ColumnStart:
        return row.startTime;
    case ColumnEnd:
        return row.endTime;
    case ColumnFormat:
        return row.outputFormatLabel;
    case ColumnStatus:
        return row.statusText;
    case ColumnDuration:
        return row.durationText;
    default:
        throw std::out_of_range("no such column");
    }
}

} // namespace

std::string FakeTaskList::RowText(int row, int column) const {
    return Field(rows.at(static_cast<size_t>(row)), column);
}

void FakeTaskList::SetRowText(int row, int column, const std::string& text) {
    Field(rows.at(static_cast<size_t>(row)), column) = text;
}

bool FakeTaskList::IsRowChecked(int row) const {
    return rows.at(static_cast<size_t>(row)).checked;
}

void FakeTaskList::SetRowChecked(int row, bool checked) {
    rows.at(static_cast<size_t>(row)).checked = checked;
}

void FakeTaskList::InsertRow(int position, const TaskRow& row) {
    if (position < 0 || position > RowCount()) {
        throw std::out_of_range("row inserted outside the list");
    }
    rows.insert(rows.begin() + position, row);
    std::set<int> shifted;
    for (const int selected : selection) {
        shifted.insert(selected >= position ? selected + 1 : selected);
    }
    selection = shifted;
}

void FakeTaskList::RemoveRow(int row) {
    rows.erase(rows.begin() + row);
    std::set<int> shifted;
    for (const int selected : selection) {
        if (selected != row) {
            shifted.insert(selected > row ? selected - 1 : selected);
        }
    }
    selection = shifted;
}

void FakeTaskList::SetRowStatusTip(int row, const std::string& text) {
    rows.at(static_cast<size_t>(row)).statusTip = text;
}

std::vector<std::string> FakeTaskList::StatusTips() const {
    std::vector<std::string> tips;
    for (const FakeRow& row : rows) {
        tips.push_back(row.statusTip);
    }
    return tips;
}

void FakeTaskList::RemoveAllRows() {
    rows.clear();
    selection.clear();
}

std::vector<int> FakeTaskList::SelectedRows() const {
    return std::vector<int>(selection.begin(), selection.end());
}

void FakeTaskList::SetRowSelected(int row, bool selected) {
    if (selected) {
        selection.insert(row);
    } else {
        selection.erase(row);
    }
}

void FakeTaskList::SelectAndFocusRow(int row) {
    selection = {row};
    focusedRow = row;
    ++listFocusCount;
}

void FakeTaskList::FocusList() {
    ++listFocusCount;
}

void FakeTaskList::SetListVisible(bool visible) {
    listVisible = visible;
}

void FakeTaskList::SetButtonEnabled(int controlId, bool enabled) {
    buttons[controlId] = enabled;
}

bool FakeTaskList::IsButtonEnabled(int controlId) const {
    const auto found = buttons.find(controlId);
    return found != buttons.end() && found->second;
}

std::string FakeOutputChoice::CurrentFormatText() const {
    return formatText;
}

std::string FakeOutputChoice::OutputFolderText() const {
    return outputFolderText;
}

std::vector<std::string> FakeOutputChoice::OutputFolderEntries() const {
    return folderEntries;
}

void FakeOutputChoice::AddOutputFolderEntry(const std::string& folder) {
    folderEntries.push_back(folder);
}

void FakeOutputChoice::ShowOutputFolder(const std::string& folder) {
    shownFolder = folder;
    outputFolderText = folder;
}

int FakeTaskList::ShowTaskMenu(bool rowSelected) {
    menusShown.push_back(rowSelected);
    return menuChoice;
}

void FakeTaskList::DispatchOnePendingEvent() {
    ++dispatchedEvents;
}

void FakeTaskList::SetBusyCursor(bool busy) {
    busyCursorChanges.push_back(busy);
    if (onBusyCursor) {
        onBusyCursor(busy);
    }
}

void FakeProgress::ShowProgressDialog() {
    ++progressDialogShows;
    if (!runProgressDialog) {
        return;
    }
    progressDialogOpen = true;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kSafetyLimitMs);
    while (progressDialogOpen) {
        if (std::chrono::steady_clock::now() > deadline) {
            hitSafetyLimit = true;
            StopConversion(*this);
            progressDialogOpen = false;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
        if (beforeTick) {
            beforeTick(ticks);
        }
        if (progressDialogOpen && timerRunning && onTick) {
            onTick();
            ++ticks;
        }
    }
}

bool FakeProgress::IsProgressDialogOpen() const {
    return progressDialogOpen;
}

void FakeProgress::EndProgressDialog() {
    progressDialogOpen = false;
}

void FakeProgress::SetCurrentFileText(const std::string& text) {
    currentFileTexts.push_back(text);
}

void FakeProgress::SetBatchText(const std::string& text) {
    batchTexts.push_back(text);
}

void FakeProgress::SetCurrentFilePercent(int percent) {
    currentFilePercents.push_back(percent);
}

void FakeProgress::SetBatchPercent(int percent) {
    batchPercents.push_back(percent);
}

void FakeProgress::StartConversionTimer() {
    timerRunning = true;
    ++timerStarts;
}

void FakeProgress::KillConversionTimer() {
    timerRunning = false;
}

void FakeTaskList::ShowClipDialog() {
    clipRows.push_back(m_clipState.m_clipRow);
}

void FakeTaskList::ShowFileInformation() {
    ++fileInformationShows;
}

void FakeProgress::PressStop() {
    StopConversion(*this);
    progressDialogOpen = false;
}

} // namespace veltrano::test
