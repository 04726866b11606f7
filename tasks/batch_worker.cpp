#include "tasks/batch_worker.h"

void BatchWorker::Start(AVConvert& engine) {
    Join();
    m_returned.store(false, std::memory_order_relaxed);
    m_thread = std::thread([this, &engine] {
        ConvertBatchProc(&engine);
        m_returned.store(true, std::memory_order_release);
    });
}

void BatchWorker::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}
