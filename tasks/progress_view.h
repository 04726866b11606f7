// What a batch needs from the window: the progress dialog and the timer that
// drives ProgressTick.
#pragma once

#include <string>

class ProgressView {
public:
    virtual ~ProgressView() = default;

    // ShowProgressDialog is modal and returns when the dialog ends;
    // EndProgressDialog ends it from a timer tick.
    virtual void ShowProgressDialog() = 0;
    virtual bool IsProgressDialogOpen() const = 0;
    virtual void EndProgressDialog() = 0;
    virtual void SetCurrentFileText(const std::string& text) = 0;
    virtual void SetBatchText(const std::string& text) = 0;
    virtual void SetCurrentFilePercent(int percent) = 0;
    virtual void SetBatchPercent(int percent) = 0;

    // The 300 ms conversion timer (timer 1) that drives ProgressTick.
    virtual void StartConversionTimer() = 0;
    virtual void KillConversionTimer() = 0;
};
