// Why a row failed. The worker stores the reason beside the row's status and
// publishes it before the status, so whoever sees TaskFailed can read it.
#pragma once

#include "engine/av_convert.h"

#include <cstdint>
#include <string>

enum FailureReason : uint8_t {
    FailureNone = 0,
    FailureNoSound = 1,
    FailureDiskFull = 2,
    FailureFolderNotWritable = 3,
    FailureEncoderRefused = 4,
    FailureSourceChanged = 5,
    FailureDamaged = 6, // the source cannot be read past a point: see RowFailure
    // "Same as source" found no channel layout or sample rate the encoder takes.
    FailureNothingFits = 7,
};

// Why a row failed, and for a damaged source where its damage starts.
struct RowFailure {
    FailureReason reason = FailureNone;
    int32_t damagedAtSeconds = 0; // seconds from the source's start
};

// The words the user reads for a reason; "" for FailureNone or an unknown code.
// A damaged source's words say where: see FailureText.
const char* FailureReasonText(uint8_t reason);

// The words the user reads for a failure, with the time of a damage as
// HH:MM:SS.
std::string FailureText(const RowFailure& failure);

// The reason behind an FFmpeg or file error met while making the output file:
// a full disk or quota, a folder that refuses the file, or else the encoder or
// the container refusing what it was given.
FailureReason ReasonForOutputError(int averror);

// Marks a row failed with its reason. The reason is stored first and released
// with the status, so a reader that sees TaskFailed also sees the reason.
void SetTaskFailure(AVConvert& engine, int32_t row, FailureReason reason);
void SetTaskFailure(AVConvert& engine, int32_t row, const RowFailure& failure);

// The reason of a row whose status was read as TaskFailed.
uint8_t TaskReasonOf(const AVConvert& engine, int32_t row);

// The words the user reads for a row whose status was read as TaskFailed.
std::string TaskFailureText(const AVConvert& engine, int32_t row);
