#include "engine/failure_reason.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

extern "C" {
#include <libavutil/error.h>
}

namespace {

// FFmpeg's own error codes are tags far beyond any errno value.
constexpr int kLargestErrno = 4095;

bool IsErrno(int averror) {
    return averror < 0 && -averror <= kLargestErrno;
}

bool MeansDiskFull(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

// Errors that say the values handed over were not acceptable rather than
// that the file system refused something.
bool MeansRefusedValues(int error) {
    return error == EINVAL || error == ERANGE || error == EDOM || error == ENOSYS ||
           error == ENOTSUP || error == ENOMEM;
}

} // namespace

const char* FailureReasonText(uint8_t reason) {
    switch (reason) {
    case FailureNoSound:
        return "no sound could be decoded";
    case FailureDiskFull:
        return "the disk is full";
    case FailureFolderNotWritable:
        return "the output folder cannot be written";
    case FailureEncoderRefused:
        return "the encoder refused the settings";
    case FailureSourceChanged:
        return "the file changed or disappeared";
    case FailureDamaged:
        return "the file is damaged";
    case FailureNothingFits:
        return "the format cannot hold the file's channels or sample rate";
    default:
        return "";
    }
}

std::string FailureText(const RowFailure& failure) {
    if (failure.reason != FailureDamaged) {
        return FailureReasonText(failure.reason);
    }
    const int32_t seconds = failure.damagedAtSeconds < 0 ? 0 : failure.damagedAtSeconds;
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return std::string(FailureReasonText(failure.reason)) + " at " + time;
}

FailureReason ReasonForOutputError(int averror) {
    if (!IsErrno(averror)) {
        return FailureEncoderRefused;
    }
    const int error = AVUNERROR(averror);
    if (MeansDiskFull(error)) {
        return FailureDiskFull;
    }
    if (MeansRefusedValues(error)) {
        return FailureEncoderRefused;
    }
    return FailureFolderNotWritable;
}

void SetTaskFailure(AVConvert& engine, int32_t row, FailureReason reason) {
    SetTaskFailure(engine, row, RowFailure{reason, 0});
}

void SetTaskFailure(AVConvert& engine, int32_t row, const RowFailure& failure) {
    engine.m_taskDamagedAt[row].store(failure.damagedAtSeconds, std::memory_order_relaxed);
    engine.m_taskReason[row].store(failure.reason, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    SetTaskStatus(engine, row, TaskFailed);
}

uint8_t TaskReasonOf(const AVConvert& engine, int32_t row) {
    // Pairs with the release in SetTaskFailure: the TaskFailed the caller read
    // carries the reason stored before it.
    std::atomic_thread_fence(std::memory_order_acquire);
    return engine.m_taskReason[row].load(std::memory_order_relaxed);
}

std::string TaskFailureText(const AVConvert& engine, int32_t row) {
    RowFailure failure;
    failure.reason = static_cast<FailureReason>(TaskReasonOf(engine, row));
    failure.damagedAtSeconds = engine.m_taskDamagedAt[row].load(std::memory_order_relaxed);
    return FailureText(failure);
}
