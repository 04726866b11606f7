// The Clip dialog's player: opens the task's file in the playback library,
// plays and pauses, stops, follows the position on the slider, draws the
// picture and seeks when the slider is dragged.
#include "preview/clip_dialog.h"

#include "preview/preview_area.h"
#include "preview/preview_client.h"
#include "resources/control_ids.h"
#include "tasks/cue_tracks.h"
#include "tasks/main_view.h"
#include "ui/controls/bitmap_slider.h"
#include "ui/controls/control_button.h"
#include "vantiro.h"

#include <QTimerEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kSliderMax = 1000;

// Set by the first successful open of the run and never cleared: after it,
// Play and Stop act even when a later open failed.
int clipFileOpened = 0;

} // namespace

void CClipDialog::TakeOverLibrary() {
    TakePreviewForClipDialog();
    hasPicture = 0;
    secondMediaValue = 0;
    frameBuffer.clear();
    frameBuffer.shrink_to_fit();
    positionSlider->SetRange(0, kSliderMax);
    positionSlider->SetPos(0);
    playState = kPlayState;
    reopenPending = true;
}

void CClipDialog::HandBackLibrary() {
    TakePreviewForMainWindow();
}

// The path goes to the library as UTF-16 of any length: no code page, no cut.
void CClipDialog::OpenTaskFile() {
    Stop();
    const QString path = QString::fromStdString(RowText(ColumnSource));
    Vantiro_SetFileName(reinterpret_cast<const char16_t*>(path.utf16()));
    StartTimers();
    if (Vantiro_Open() == -1) {
        return;
    }
    Vantiro_GetMideaType(&hasPicture, &secondMediaValue);
    frameBuffer.clear();
    if (hasPicture != 0) {
        Vantiro_GetFrameSize(&frameWidth, &frameHeight);
        // Rows padded to 4 bytes, the layout the library hands out.
        frameBuffer.assign(static_cast<size_t>(VANTIRO_FRAME_STRIDE(frameWidth)) *
                               static_cast<size_t>(std::max(frameHeight, 0)),
                           0);
    }
    clipFileOpened = 1;
}

void CClipDialog::OnPlayPause() {
    if (playState == kPlayState) {
        if (reopenPending) {
            OpenTaskFile();
        }
        if (clipFileOpened != 1) {
            return;
        }
        StartTimers();
        Vantiro_Start();
        positionSlider->setEnabled(true);
        playState = kPauseState;
        SetPlayButtonImage(ids::kPauseBitmap);
        return;
    }
    reopenPending = false;
    if (clipFileOpened != 1) {
        return;
    }
    StartTimers();
    Vantiro_Pause();
    playState = kPlayState;
    SetPlayButtonImage(ids::kPlayBitmap);
}

// Stop, the end of playback, and the first step of every open and close.
void CClipDialog::Stop() {
    if (clipFileOpened != 1) {
        return;
    }
    KillTimers();
    Vantiro_Stop();
    positionSlider->setEnabled(false);
    playState = kPlayState;
    SetPlayButtonImage(ids::kPlayBitmap);
    positionSlider->SetPos(0);
    previewArea->Clear();
}

void CClipDialog::SetPlayButtonImage(int pictureId) {
    playButton->setEnabled(false);
    playButton->SetImages(pictureId, pictureId, pictureId, pictureId);
    playButton->setEnabled(true);
    playButton->setToolTip(playState == kPlayState ? "Play" : "Pause");
}

// A drag seeks at every move; a seek while paused plays on, with the button
// still showing Play.
void CClipDialog::OnSeek(int controlId, int position) {
    if (controlId != ids::kClipPosition || clipFileOpened != 1) {
        return;
    }
    Vantiro_Pause();
    const float fraction = static_cast<float>(position / 1000.0);
    Vantiro_SetPos(fraction);
    double seconds = 0;
    Vantiro_GetDuration(&seconds);
    currentSecond = static_cast<int>(fraction * seconds);
    Vantiro_Start();
}

// A row that is one track of an album image plays the image from the
// track's start: the track is what the user came to trim.
void CClipDialog::StartAtTrack() {
    if (ownerDialog == nullptr || clipFileOpened != 1 || !ownerDialog->RowTrack(clipRow)) {
        return;
    }
    const double start = CueTrackStartSeconds(*ownerDialog->RowTrack(clipRow));
    double seconds = 0;
    Vantiro_GetDuration(&seconds);
    if (!(seconds > 0) || !(start > 0)) {
        return;
    }
    const double fraction = std::clamp(start / seconds, 0.0, 1.0);
    Vantiro_SetPos(static_cast<float>(fraction));
    currentSecond = static_cast<int>(start);
    positionSlider->SetPos(static_cast<int>(fraction * kSliderMax));
}

void CClipDialog::PollPosition() {
    float fraction = 0;
    Vantiro_GetPos(&fraction);
    const int value = static_cast<int>(fraction * 1000.0);
    double seconds = 0;
    Vantiro_GetDuration(&seconds);
    currentSecond = static_cast<int>(fraction * seconds);
    if (value != positionSlider->Pos()) {
        positionSlider->SetPos(std::clamp(value, 0, kSliderMax));
    }
}

void CClipDialog::DrawFrame() {
    if (hasPicture == 0 || frameBuffer.empty()) {
        return;
    }
    if (Vantiro_GetFrame(frameBuffer.data(), frameWidth, frameHeight) == 0) {
        previewArea->ShowFrame(frameBuffer.data(), frameWidth, frameHeight);
    }
}

void CClipDialog::StartTimers() {
    positionTimer.start(ids::kPositionTimerMs, this);
    frameTimer.start(ids::kFrameTimerMs, this);
}

void CClipDialog::KillTimers() {
    positionTimer.stop();
    frameTimer.stop();
}

void CClipDialog::timerEvent(QTimerEvent* event) {
    if (event->timerId() == positionTimer.timerId()) {
        PollPosition();
    } else if (event->timerId() == frameTimer.timerId()) {
        DrawFrame();
    } else {
        QDialog::timerEvent(event);
    }
}

bool CClipDialog::event(QEvent* event) {
    if (event->type() == kPlaybackEndEvent) {
        Stop();
        return true;
    }
    return QDialog::event(event);
}
