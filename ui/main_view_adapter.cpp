#include "ui/main_view_adapter.h"

#include "preview/clip_dialog.h"
#include "resources/control_ids.h"
#include "tasks/cue_tracks.h"
#include "tasks/task_list.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/dialog_builder.h"
#include "ui/file_info_dialog.h"
#include "ui/main_window_skin.h"
#include "ui/progress_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <algorithm>

namespace {

// What an item needs to be offered: nothing, a row in the list, or a
// selected row.
enum class MenuNeed { Nothing, AnyRow, SelectedRow };

struct MenuItem {
    int commandId; // 0 for a separator
    const char* text;
    MenuNeed need;
};

constexpr MenuItem kTaskMenu[] = {
    {ids::kMenuAddFiles, "Add Files..", MenuNeed::Nothing},
    {ids::kMenuAddFolder, "Add Folder..", MenuNeed::Nothing},
    {0, nullptr, MenuNeed::Nothing},
    {ids::kMenuRemove, "Remove", MenuNeed::SelectedRow},
    {ids::kMenuClearAll, "Clear All", MenuNeed::AnyRow},
    {0, nullptr, MenuNeed::Nothing},
    {ids::kMenuClip, "Clip...", MenuNeed::SelectedRow},
    {0, nullptr, MenuNeed::Nothing},
    {ids::kMenuFileInformation, "File Information...", MenuNeed::SelectedRow},
};

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// The Source cell of a row added as a track of an album image: the track
// stays with its row wherever rows are inserted or removed.
class TrackSourceItem : public QTableWidgetItem {
public:
    TrackSourceItem(const QString& text, std::shared_ptr<const CueTrack> track)
        : QTableWidgetItem(text), m_track(std::move(track)) {}

    std::shared_ptr<const CueTrack> Track() const { return m_track; }

private:
    std::shared_ptr<const CueTrack> m_track;
};

} // namespace

// Made after the window's own controls, so that finding a control of the
// window by id never meets one of the dialogs'.
MainViewAdapter::MainViewAdapter(QDialog& window, CCheckListCtrl& taskList, QComboBox& formatCombo,
                                 QComboBox& outputCombo, MainWindowState& state)
    : m_window(window), m_taskList(taskList), m_formatCombo(formatCombo),
      m_outputCombo(outputCombo), m_state(state),
      m_progressDialog(std::make_unique<CAVConvertDlg>(*this, state, &window)),
      m_clipDialog(std::make_unique<CClipDialog>(&window)) {}

MainViewAdapter::~MainViewAdapter() = default;

int MainViewAdapter::ConversionTimerId() const {
    return m_conversionTimer.timerId();
}

// task list rows.

int MainViewAdapter::RowCount() const {
    return m_taskList.rowCount();
}

std::string MainViewAdapter::RowText(int row, int column) const {
    const QTableWidgetItem* item = m_taskList.item(row, column);
    return item == nullptr ? std::string() : item->text().toStdString();
}

void MainViewAdapter::SetRowText(int row, int column, const std::string& text) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    if (QTableWidgetItem* item = m_taskList.item(row, column)) {
        item->setText(FromStd(text));
        return;
    }
    m_taskList.setItem(row, column, new QTableWidgetItem(FromStd(text)));
}

bool MainViewAdapter::IsRowChecked(int row) const {
    const QTableWidgetItem* item = m_taskList.item(row, ColumnSource);
    return item != nullptr && item->checkState() == Qt::Checked;
}

void MainViewAdapter::SetRowChecked(int row, bool checked) {
    if (QTableWidgetItem* item = m_taskList.item(row, ColumnSource)) {
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void MainViewAdapter::InsertRow(int position, const TaskRow& row) {
    position = std::clamp(position, 0, RowCount());
    const std::string* texts[kTaskColumnCount] = {&row.sourcePath, &row.startTime,
                                                  &row.endTime,    &row.outputFormatLabel,
                                                  &row.statusText, &row.durationText};
    m_taskList.insertRow(position);
    // A long path is cut in its column; the tip shows it whole. The Status
    // cell keeps its own tip for the row's result.
    const QString sourceTip = FromStd(row.sourcePath);
    for (int column = 0; column < kTaskColumnCount; ++column) {
        auto* item = new QTableWidgetItem(FromStd(*texts[column]));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (column != ColumnStatus) {
            item->setToolTip(sourceTip);
        }
        if (column == ColumnSource) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(row.checked ? Qt::Checked : Qt::Unchecked);
        }
        m_taskList.setItem(position, column, item);
    }
}

void MainViewAdapter::RemoveRow(int row) {
    m_taskList.removeRow(row);
}

void MainViewAdapter::RemoveAllRows() {
    m_taskList.setRowCount(0);
}

void MainViewAdapter::SetRowStatusTip(int row, const std::string& text) {
    QTableWidgetItem* status = m_taskList.item(row, ColumnStatus);
    if (status == nullptr) {
        return;
    }
    const QTableWidgetItem* source = m_taskList.item(row, ColumnSource);
    status->setToolTip(text.empty() && source != nullptr ? source->toolTip() : FromStd(text));
}

// The Source cell becomes one that holds the track, and every cell but
// Status names the track in its tip: the path is the same on all the
// image's rows.
void MainViewAdapter::SetRowTrack(int row, std::shared_ptr<const CueTrack> track) {
    const QTableWidgetItem* source = m_taskList.item(row, ColumnSource);
    if (source == nullptr || !track) {
        return;
    }
    const QString tip = FromStd(track->name);
    auto* item = new TrackSourceItem(source->text(), std::move(track));
    item->setFlags(source->flags());
    item->setCheckState(source->checkState());
    m_taskList.setItem(row, ColumnSource, item);
    for (int column = 0; column < kTaskColumnCount; ++column) {
        if (column != ColumnStatus && m_taskList.item(row, column) != nullptr) {
            m_taskList.item(row, column)->setToolTip(tip);
        }
    }
}

std::shared_ptr<const CueTrack> MainViewAdapter::RowTrack(int row) const {
    const auto* item = dynamic_cast<const TrackSourceItem*>(m_taskList.item(row, ColumnSource));
    return item == nullptr ? nullptr : item->Track();
}

// selection.

std::vector<int> MainViewAdapter::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_taskList.selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MainViewAdapter::SetRowSelected(int row, bool selected) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    const QModelIndex index = m_taskList.model()->index(row, 0);
    m_taskList.selectionModel()->select(
        index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                   QItemSelectionModel::Rows);
}

void MainViewAdapter::SelectAndFocusRow(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    const QModelIndex index = m_taskList.model()->index(row, 0);
    m_taskList.selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select |
                                                            QItemSelectionModel::Rows);
    FocusList();
}

void MainViewAdapter::FocusList() {
    m_taskList.setFocus();
}

void MainViewAdapter::SetListVisible(bool visible) {
    m_taskList.setVisible(visible);
}

// buttons and combos.

// The one place where a task button changes state: its pictures for the
// state come with it.
void MainViewAdapter::SetButtonEnabled(int controlId, bool enabled) {
    SetSkinnedButtonEnabled(m_window, controlId, enabled);
}

bool MainViewAdapter::IsButtonEnabled(int controlId) const {
    const QWidget* button = FindControl(m_window, controlId);
    return button != nullptr && button->isEnabled();
}

// The selected item's text: what is typed into the edit field is no format.
std::string MainViewAdapter::CurrentFormatText() const {
    return m_formatCombo.itemText(m_formatCombo.currentIndex()).toStdString();
}

std::string MainViewAdapter::OutputFolderText() const {
    return m_outputCombo.currentText().toStdString();
}

std::vector<std::string> MainViewAdapter::OutputFolderEntries() const {
    std::vector<std::string> entries;
    for (int index = 0; index < m_outputCombo.count(); ++index) {
        entries.push_back(m_outputCombo.itemText(index).toStdString());
    }
    return entries;
}

void MainViewAdapter::AddOutputFolderEntry(const std::string& folder) {
    m_outputCombo.addItem(FromStd(folder));
}

void MainViewAdapter::ShowOutputFolder(const std::string& folder) {
    const QString text = FromStd(folder);
    for (int index = 0; !text.isEmpty() && index < m_outputCombo.count(); ++index) {
        if (m_outputCombo.itemText(index).startsWith(text, Qt::CaseInsensitive)) {
            m_outputCombo.setCurrentIndex(index);
            return;
        }
    }
    m_outputCombo.setEditText(text);
}

// menu, events and cursor.

int MainViewAdapter::ShowTaskMenu(bool rowSelected) {
    QMenu menu(&m_window);
    for (const MenuItem& item : kTaskMenu) {
        if (item.commandId == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        action->setData(item.commandId);
        action->setEnabled(item.need == MenuNeed::Nothing ||
                           (item.need == MenuNeed::AnyRow && RowCount() > 0) || rowSelected);
    }
    const QAction* chosen = menu.exec(QCursor::pos());
    return chosen == nullptr ? 0 : chosen->data().toInt();
}

void MainViewAdapter::DispatchOnePendingEvent() {
    QCoreApplication::processEvents();
}

void MainViewAdapter::SetBusyCursor(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

// the progress dialog and its timer.

void MainViewAdapter::ShowProgressDialog() {
    m_progressDialog->exec();
}

bool MainViewAdapter::IsProgressDialogOpen() const {
    return m_progressDialog->isVisible();
}

void MainViewAdapter::EndProgressDialog() {
    m_progressDialog->accept();
}

void MainViewAdapter::SetCurrentFileText(const std::string& text) {
    m_progressDialog->SetCurrentFileText(FromStd(text));
}

void MainViewAdapter::SetBatchText(const std::string& text) {
    m_progressDialog->SetBatchText(FromStd(text));
}

void MainViewAdapter::SetCurrentFilePercent(int percent) {
    m_progressDialog->SetCurrentFilePercent(percent);
}

void MainViewAdapter::SetBatchPercent(int percent) {
    m_progressDialog->SetBatchPercent(percent);
}

void MainViewAdapter::StartConversionTimer() {
    m_conversionTimer.start(ids::kConversionTimerMs, &m_window);
}

void MainViewAdapter::KillConversionTimer() {
    m_conversionTimer.stop();
}

void MainViewAdapter::ShowClipDialog() {
    m_clipDialog->ownerDialog = this;
    m_clipDialog->clipRow = m_state.m_clipRow;
    m_clipDialog->exec();
}

void MainViewAdapter::ShowFileInformation() {
    CFileInfomation information(g_fileInfoTexts, &m_window);
    information.exec();
}
