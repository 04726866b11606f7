#include "preview/clip_dialog.h"

#include "preview/preview_area.h"
#include "resources/control_ids.h"
#include "tasks/clock_text.h"
#include "tasks/main_view.h"
#include "ui/controls/bitmap_slider.h"
#include "ui/controls/control_button.h"
#include "ui/dialog_builder.h"
#include "ui/skin_pictures.h"
#include "vantiro.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QShowEvent>
#include <algorithm>
#include <charconv>

namespace {

constexpr int kSliderMax = 1000;

constexpr ControlToolTip kToolTips[] = {
    {ids::kClipSetBegin, "Set Begin Time"},
    {ids::kClipSetEnd, "Set End Time"},
    {ids::kClipPlay, "Play"},
    {ids::kClipStop, "Stop"},
    {ids::kClipOk, "OK"},
    {ids::kClipCancel, "Cancel"},
    {ids::kClipReset, "Reset Time"},
};

QWidget* MakeClipControl(const ControlTemplate& control, QWidget* parent) {
    if (control.id == ids::kClipPosition) {
        return new CBitmapSlider(parent);
    }
    if (control.id == ids::kClipPreview) {
        return new PreviewArea(parent);
    }
    return nullptr;
}

int DecimalValue(const std::string& text) {
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A time as a mark on the slider, scaled by the duration.
int MarkOf(double seconds, double duration) {
    const double mark = seconds * kSliderMax / duration;
    return static_cast<int>(std::clamp(mark, 0.0, double(kSliderMax)));
}

} // namespace

CClipDialog::CClipDialog(QWidget* parent) : QDialog(parent) {
    BuildSkinnedFromTemplate(*this, *FindDialogTemplate(ids::kClipDialog),
                             ids::kClipBackgroundBitmap, MakeClipControl);
    positionSlider = FindControlAs<CBitmapSlider>(*this, ids::kClipPosition);
    playButton = FindControlAs<CControlButton>(*this, ids::kClipPlay);
    stopButton = FindControlAs<CControlButton>(*this, ids::kClipStop);
    previewArea = FindControlAs<PreviewArea>(*this, ids::kClipPreview);
    auto bind = [this](int id, void (CClipDialog::*handler)()) {
        connect(FindControlAs<QAbstractButton>(*this, id), &QAbstractButton::clicked, this,
                handler);
    };
    bind(ids::kClipSetBegin, &CClipDialog::OnSetBegin);
    bind(ids::kClipSetEnd, &CClipDialog::OnSetEnd);
    bind(ids::kClipReset, &CClipDialog::OnReset);
    bind(ids::kClipOk, &CClipDialog::OnOk);
    bind(ids::kClipCancel, &CClipDialog::OnCancel);
    bind(ids::kClipPlay, &CClipDialog::OnPlayPause);
    bind(ids::kClipStop, &CClipDialog::Stop);
    // Queued, as a posted message: the slider has finished with its input
    // before the seek runs.
    connect(positionSlider, &CBitmapSlider::sliderMoving, this, &CClipDialog::OnSeek,
            Qt::QueuedConnection);
}

CClipDialog::~CClipDialog() {
    KillTimers();
}

// Every showing: initialise, then play the task and show its times.
void CClipDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    InitDialog();
    OnPlayPause();
    StartAtTrack();
    ShowTaskTimes();
}

// The timers of a failed first open poll until the dialog closes, and no
// longer.
void CClipDialog::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        KillTimers();
    }
    QDialog::hideEvent(event);
}

void CClipDialog::InitDialog() {
    if (!skinned) {
        SkinButtons();
        skinned = true;
    }
    PrepareSlider();
    TakeOverLibrary();
    SetToolTips(*this, kToolTips);
}

void CClipDialog::SkinButtons() {
    const struct {
        CControlButton* button;
        int shape;
        int picture;
    } skins[] = {{playButton, ids::kPlayShapeBitmap, ids::kPlayBitmap},
                 {stopButton, ids::kStopShapeBitmap, ids::kStopBitmap}};
    for (const auto& skin : skins) {
        skin.button->SetParentBackground(skin.shape, skin.button->geometry());
        skin.button->SetMask(skin.shape);
        skin.button->SetShapeFromBitmap(skin.shape);
        skin.button->SetImages(skin.picture, skin.picture, skin.picture, skin.picture);
        skin.button->setEnabled(true);
    }
}

void CClipDialog::PrepareSlider() {
    positionSlider->SetChannelImages(ids::kSliderTrackBitmap, ids::kSliderRangeBitmap);
    positionSlider->SetThumbImages();
    positionSlider->SetMargins(2, 3, 2, 0);
    positionSlider->setEnabled(false);
}

std::string CClipDialog::RowText(int column) const {
    return ownerDialog == nullptr ? std::string() : ownerDialog->RowText(clipRow, column);
}

QString CClipDialog::TimeText(int controlId) const {
    const auto* label = FindControlAs<QLabel>(*this, controlId);
    return label == nullptr ? QString() : label->text();
}

void CClipDialog::SetTimeTexts(const std::string& start, const std::string& end,
                               const std::string& kept) {
    const std::pair<int, const std::string*> texts[] = {
        {ids::kClipStartText, &start}, {ids::kClipEndText, &end}, {ids::kClipLengthText, &kept}};
    for (const auto& [id, text] : texts) {
        if (auto* label = FindControlAs<QLabel>(*this, id)) {
            label->setText(QString::fromStdString(*text));
        }
    }
}

// The row's times as they stand, and the kept range on the slider. A file
// shorter than one second has a whole-second duration of 0: its marks are
// scaled by the real duration, and its end (0, the whole file) sits at the
// right end.
void CClipDialog::ShowTaskTimes() {
    const std::string startText = RowText(ColumnStart);
    const std::string endText = RowText(ColumnEnd);
    const int start = ParseHms(startText);
    const int end = ParseHms(endText);
    duration = DecimalValue(RowText(ColumnDuration));
    SetTimeTexts(startText, endText, FormatHms(end - start));
    if (duration > 0) {
        positionSlider->SetMarks(MarkOf(start, duration), MarkOf(end, duration), 2);
        return;
    }
    double realDuration = 0;
    Vantiro_GetDuration(&realDuration);
    const int beginMark = realDuration > 0 ? MarkOf(start, realDuration) : 0;
    positionSlider->SetMarks(beginMark, kSliderMax, 2);
}

void CClipDialog::OnSetBegin() {
    positionSlider->SetMarks(positionSlider->Pos(), positionSlider->EndMark(), 1);
    SetTimeTexts(FormatHms(currentSecond), FormatHms(duration),
                 FormatHms(duration - currentSecond));
}

// An end before the begin makes the two trade places, on the slider as in
// the texts, so the slider shows the range the texts say.
void CClipDialog::OnSetEnd() {
    const int start = ParseHms(TimeText(ids::kClipStartText).toStdString());
    if (currentSecond > start) {
        positionSlider->SetMarks(positionSlider->BeginMark(), positionSlider->Pos(), 2);
        SetTimeTexts(TimeText(ids::kClipStartText).toStdString(), FormatHms(currentSecond),
                     FormatHms(currentSecond - start));
        return;
    }
    positionSlider->SetMarks(positionSlider->Pos(), positionSlider->BeginMark(), 2);
    SetTimeTexts(FormatHms(currentSecond), FormatHms(start), FormatHms(start - currentSecond));
}

void CClipDialog::OnReset() {
    positionSlider->SetMarks(0, 0, 0);
    SetTimeTexts("00:00:00", FormatHms(duration), FormatHms(duration));
}

void CClipDialog::OnOk() {
    if (ownerDialog != nullptr) {
        ownerDialog->SetRowText(clipRow, ColumnStart, TimeText(ids::kClipStartText).toStdString());
        ownerDialog->SetRowText(clipRow, ColumnEnd, TimeText(ids::kClipEndText).toStdString());
    }
    Stop();
    Vantiro_Close();
    HandBackLibrary();
    accept();
}

// Cancel keeps the library: the main window takes it back at the next
// hand-back.
void CClipDialog::OnCancel() {
    Stop();
    Vantiro_Close();
    QDialog::reject();
}

// Escape is Cancel.
void CClipDialog::reject() {
    OnCancel();
}

// The close box ends the dialog as Cancel does, and hands the library back.
void CClipDialog::closeEvent(QCloseEvent* event) {
    if (isVisible()) {
        Stop();
        Vantiro_Close();
        HandBackLibrary();
        QDialog::reject();
    }
    event->accept();
}

void CClipDialog::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(rect(), SkinPixmap(ids::kClipBackgroundBitmap, devicePixelRatioF()));
}
