#include "engine/failure_reason.h"

#include <atomic>
#include <cerrno>

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
    default:
        return "";
    }
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
    engine.m_taskReason[row].store(reason, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    SetTaskStatus(engine, row, TaskFailed);
}

uint8_t TaskReasonOf(const AVConvert& engine, int32_t row) {
    // Pairs with the release in SetTaskFailure: the TaskFailed the caller read
    // carries the reason stored before it.
    std::atomic_thread_fence(std::memory_order_acquire);
    return engine.m_taskReason[row].load(std::memory_order_relaxed);
}
