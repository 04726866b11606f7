// The modal dialog that follows a batch: the current file and the whole
// batch, Stop, and the choice to power off when the batch ends.
#pragma once

#include <QDialog>

class ProgressView;
struct MainWindowState;
class QCheckBox;
class QLabel;
class QProgressBar;

class CAVConvertDlg : public QDialog {
    Q_OBJECT
public:
    // The main window owns the dialog and drives it from its timer.
    CAVConvertDlg(ProgressView& owner, MainWindowState& state, QWidget* ownerWindow);

    void SetCurrentFileText(const QString& text);
    void SetBatchText(const QString& text);
    void SetCurrentFilePercent(int percent);
    void SetBatchPercent(int percent);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void PublishVideoFrame();
    void Stop();

    ProgressView& m_owner;
    MainWindowState& m_state;
    QLabel* m_currentFileLabel = nullptr;
    QLabel* m_batchLabel = nullptr;
    QProgressBar* m_currentFileBar = nullptr;
    QProgressBar* m_batchBar = nullptr;
    QCheckBox* m_shutDownBox = nullptr;
};
