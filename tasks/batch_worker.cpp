#include "tasks/batch_worker.h"

void BatchWorker::Start(AVConvert& engine) {
    Join();
    m_thread = std::thread(ConvertBatchProc, &engine);
}

void BatchWorker::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}
