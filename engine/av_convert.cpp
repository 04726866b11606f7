#include "engine/av_convert.h"

AVConvert* g_engine = nullptr;

void PrepareBatch(AVConvert& engine, int32_t taskCount) {
    const auto rows = static_cast<size_t>(taskCount < 0 ? 0 : taskCount);
    engine.m_taskCount = static_cast<int32_t>(rows);
    engine.m_inputPaths.assign(rows, std::string());
    engine.m_outputPaths.assign(rows, std::string());
    engine.m_clipStart.assign(rows, 0.0);
    engine.m_clipEnd.assign(rows, 0.0);
    engine.m_clipLength.assign(rows, 0.0);
    engine.m_rowTracks.assign(rows, RowTrack());
    engine.m_taskStatus = std::vector<std::atomic<uint8_t>>(rows);
    for (auto& status : engine.m_taskStatus) {
        status.store(TaskPending, std::memory_order_relaxed);
    }
    engine.m_taskReason = std::vector<std::atomic<uint8_t>>(rows);
    engine.m_taskDamagedAt = std::vector<std::atomic<int32_t>>(rows);
    engine.m_taskProgress = std::vector<std::atomic<int8_t>>(rows);
    engine.m_taskMillis = std::vector<std::atomic<int32_t>>(rows);
    engine.m_taskLoudness = std::vector<std::atomic<uint8_t>>(rows);
    engine.m_taskMeasured = std::vector<std::atomic<uint8_t>>(rows);
    engine.m_rowLevels.assign(rows, RowLevel{});
    for (auto& progress : engine.m_taskProgress) {
        progress.store(-1, std::memory_order_relaxed);
    }
}
