// The Clip dialog: plays one task's file so that the user can mark where the
// output begins and ends; OK writes the two times into the task's row. One
// object lives in the main window and is shown modally for each clipped row.
#pragma once

#include <QBasicTimer>
#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class CBitmapSlider;
class CControlButton;
class MainView;
class PreviewArea;
class QLabel;

class CClipDialog : public QDialog {
    Q_OBJECT
public:
    explicit CClipDialog(QWidget* parent = nullptr);
    ~CClipDialog() override;

    // Set by the main window before each showing: the task list and the row.
    MainView* ownerDialog = nullptr;
    int clipRow = 0;

    int CurrentSecond() const { return currentSecond; }
    bool IsPlaying() const { return playState == kPauseState; }
    bool HasPicture() const { return hasPicture != 0; }

    static constexpr const char* kPlayState = "PLAY";
    static constexpr const char* kPauseState = "PAUSE";

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Building and showing.
    void InitDialog();
    void SkinButtons();
    void PrepareSlider();
    void ShowTaskTimes();
    void RefreshTimeTexts();
    std::string RowText(int column) const;
    QString TimeText(int controlId) const;
    void SetTimeTexts(const std::string& start, const std::string& end, const std::string& kept);

    // Commands of the times.
    void OnSetBegin();
    void OnSetEnd();
    void OnReset();
    void OnOk();
    void OnCancel();

    // Playback (clip_playback.cpp).
    void TakeOverLibrary();
    void HandBackLibrary();
    void OpenTaskFile();
    void OnPlayPause();
    void Stop();
    void OnSeek(int controlId, int position);
    void StartAtTrack();
    void PollPosition();
    void DrawFrame();
    void StartTimers();
    void KillTimers();
    void SetPlayButtonImage(int pictureId);

    CBitmapSlider* positionSlider = nullptr;
    CControlButton* playButton = nullptr;
    CControlButton* stopButton = nullptr;
    PreviewArea* previewArea = nullptr;
    bool skinned = false;
    // The task's duration in whole seconds, from its row.
    int duration = 0;

    QString playState = kPlayState;
    bool reopenPending = true;
    QBasicTimer positionTimer;
    QBasicTimer frameTimer;
    int hasPicture = 0;
    int secondMediaValue = 0; // stored, not read
    int frameWidth = 0;
    int frameHeight = 0;
    std::vector<unsigned char> frameBuffer;
    int currentSecond = 0;
};
