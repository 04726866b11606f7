// The converter's one top-level window: the task list, the format and output
// folder combos and the command buttons. Every command is carried out by the
// task commands over the MainView its adapter gives them.
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
class MainViewAdapter;
class QComboBox;

class CQuarvelDlg : public QDialog {
    Q_OBJECT
public:
    CQuarvelDlg(MainServices& services, AppLocations locations, QWidget* parent = nullptr);
    ~CQuarvelDlg() override;

    // Adds files exactly as if they had been dropped on the window.
    void AddFilesAsDropped(const std::vector<std::string>& paths);
    // Adds the files named on the command line, as the Add command does.
    void AddNamedFiles(const std::vector<std::string>& paths);

    // The task list, progress dialog and output choice the commands work on.
    MainView& View();
    const MainView& View() const;
    // The progress dialog the window shows during a batch.
    CAVConvertDlg& ProgressDialog();
    // The Clip dialog the window shows for each clipped task.
    CClipDialog& ClipDialog();
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
    std::unique_ptr<MainViewAdapter> m_view;
    QBasicTimer m_stoppedWorkerTimer;
    bool m_closing = false;
};
