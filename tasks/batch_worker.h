// The worker thread of a batch. A stopped batch's worker may still be
// finishing its file after the progress dialog has closed; it is joined before
// anything writes the engine again and before the program ends.
#pragma once

#include "engine/av_convert.h"

#include <atomic>
#include <thread>

class BatchWorker {
public:
    BatchWorker() = default;
    ~BatchWorker() { Join(); }
    BatchWorker(const BatchWorker&) = delete;
    BatchWorker& operator=(const BatchWorker&) = delete;

    // Starts ConvertBatchProc on `engine`; the previous worker must be joined.
    void Start(AVConvert& engine);
    // True while a started worker has not been joined (it may have returned).
    bool IsRunning() const { return m_thread.joinable(); }
    // True once the started worker has returned; joining it then waits for
    // nothing.
    bool HasReturned() const { return m_returned.load(std::memory_order_acquire); }
    // Waits for the worker to return; does nothing when none was started.
    void Join();

private:
    std::thread m_thread;
    std::atomic<bool> m_returned{true};
};
