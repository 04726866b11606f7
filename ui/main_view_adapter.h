// The main window as the task commands see it: its task list, its progress
// dialog and its output choice, each call carried out on the window's widgets.
#pragma once

#include "tasks/main_state.h"
#include "tasks/main_view.h"

#include <QBasicTimer>
#include <memory>

class CAVConvertDlg;
class CCheckListCtrl;
class CClipDialog;
class QComboBox;
class QDialog;

class MainViewAdapter : public MainView {
public:
    // The conversion timer's events go to `window`, which passes them to
    // ProgressTick; the dialogs are made as its children.
    MainViewAdapter(QDialog& window, CCheckListCtrl& taskList, QComboBox& formatCombo,
                    QComboBox& outputCombo, MainWindowState& state);
    ~MainViewAdapter() override;

    // Task list rows.
    int RowCount() const override;
    std::string RowText(int row, int column) const override;
    void SetRowText(int row, int column, const std::string& text) override;
    bool IsRowChecked(int row) const override;
    void SetRowChecked(int row, bool checked) override;
    void InsertRow(int position, const TaskRow& row) override;
    void RemoveRow(int row) override;
    void RemoveAllRows() override;
    void SetRowStatusTip(int row, const std::string& text) override;
    void SetRowTrack(int row, std::shared_ptr<const CueTrack> track) override;
    std::shared_ptr<const CueTrack> RowTrack(int row) const override;

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

    // Output choice.
    std::string CurrentFormatText() const override;
    std::string OutputFolderText() const override;
    std::vector<std::string> OutputFolderEntries() const override;
    void AddOutputFolderEntry(const std::string& folder) override;
    void ShowOutputFolder(const std::string& folder) override;

    // Progress dialog.
    void ShowProgressDialog() override;
    bool IsProgressDialogOpen() const override;
    void EndProgressDialog() override;
    void SetCurrentFileText(const std::string& text) override;
    void SetBatchText(const std::string& text) override;
    void SetCurrentFilePercent(int percent) override;
    void SetBatchPercent(int percent) override;

    void StartConversionTimer() override;
    void KillConversionTimer() override;
    int ConversionTimerId() const;

    CAVConvertDlg& ProgressDialog() { return *m_progressDialog; }
    CClipDialog& ClipDialog() { return *m_clipDialog; }

private:
    QDialog& m_window;
    CCheckListCtrl& m_taskList;
    QComboBox& m_formatCombo;
    QComboBox& m_outputCombo;
    MainWindowState& m_state;
    std::unique_ptr<CAVConvertDlg> m_progressDialog;
    std::unique_ptr<CClipDialog> m_clipDialog;
    QBasicTimer m_conversionTimer;
};
