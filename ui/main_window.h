// The converter's one top-level window: the task list, the format and output
// folder combos and the command buttons. Every command is carried out by the
// task commands over the MainView this window implements.
#pragma once

#include "tasks/main_state.h"
#include "tasks/main_view.h"
#include "tasks/services.h"

#include <QBasicTimer>
#include <QDialog>
#include <QString>
#include <memory>

class CAVConvertDlg;
class CClipDialog;
class CCheckListCtrl;
class QComboBox;

class CQuarvelDlg : public QDialog, public MainView {
    Q_OBJECT
public:
    CQuarvelDlg(MainServices& services, AppLocations locations, QWidget* parent = nullptr);
    ~CQuarvelDlg() override;

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

    std::vector<int> SelectedRows() const override;
    void SetRowSelected(int row, bool selected) override;
    void SelectAndFocusRow(int row) override;
    void FocusList() override;
    void SetListVisible(bool visible) override;

    void SetButtonEnabled(int controlId, bool enabled) override;
    bool IsButtonEnabled(int controlId) const override;

    std::string CurrentFormatText() const override;

    std::string OutputFolderText() const override;
    std::vector<std::string> OutputFolderEntries() const override;
    void AddOutputFolderEntry(const std::string& folder) override;
    void ShowOutputFolder(const std::string& folder) override;

    int ShowTaskMenu(bool rowSelected) override;
    void DispatchOnePendingEvent() override;
    void SetBusyCursor(bool busy) override;

    void ShowProgressDialog() override;
    bool IsProgressDialogOpen() const override;
    void EndProgressDialog() override;
    void SetCurrentFileText(const std::string& text) override;
    void SetBatchText(const std::string& text) override;
    void SetCurrentFilePercent(int percent) override;
    void SetBatchPercent(int percent) override;

    void StartConversionTimer() override;
    void KillConversionTimer() override;

    void ShowClipDialog() override;
    void ShowFileInformation() override;

    // Adds files exactly as if they had been dropped on the window.
    void AddFilesAsDropped(const std::vector<std::string>& paths);
    // Adds the files named on the command line, as the Add command does.
    void AddNamedFiles(const std::vector<std::string>& paths);

    // The progress dialog the window shows during a batch.
    CAVConvertDlg& ProgressDialog() { return *m_progressDialog; }
    // The Clip dialog the window shows for each clipped task.
    CClipDialog& ClipDialog() { return *m_clipDialog; }
    const MainWindowState& State() const { return m_state; }

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void InitDialog();
    void FillFormatCombo();
    void DisableTaskButtons();
    void PrepareTaskList();
    void BindCommands();
    void BindButton(int controlId, void (CQuarvelDlg::*handler)());
    bool HandleWindowKey(QWidget& target, const QKeyEvent& key);
    void ConfirmOutputFolderText();
    void ConfirmFormatText();
    bool IsInThisWindow(const QObject* object) const;
    void FinishBeforeClosing();
    void PollStoppedWorker();

    // Command handlers.
    void OnAdd();
    void OnRemove();
    void OnConvert();
    void OnFindTarget();
    void OnBrowse();
    void OnHelp();
    void OnEmpty();
    void OnClose();
    void OnMinimise();
    void OnAbout();
    void OnFileInformation();
    void OnClip();
    void OnSetting();
    void OnFormatChosen(int index);
    void OnListClick();
    void OnListContextMenu();

    MainServices m_services;
    AppLocations m_locations;
    MainWindowState m_state;
    CCheckListCtrl* m_taskList = nullptr;
    QComboBox* m_formatCombo = nullptr;
    QComboBox* m_outputCombo = nullptr;
    // Made after the window's own controls, so that finding a control of the
    // window by id never meets one of the dialog's.
    std::unique_ptr<CAVConvertDlg> m_progressDialog;
    std::unique_ptr<CClipDialog> m_clipDialog;
    QBasicTimer m_conversionTimer;
    QBasicTimer m_stoppedWorkerTimer;
    bool m_closing = false;
};
