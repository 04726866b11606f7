#include "tasks/batch_start.h"

void SetRowClip(AVConvert& engine, int row, double start, double end) {
    engine.m_clipStart[row] = start;
    engine.m_clipEnd[row] = end;
    engine.m_clipLength[row] = end - start;
}

void SetOutputParameters(AVConvert& engine, int32_t codecId, int32_t bitRate, int32_t sampleRate,
                         int32_t channels) {
    engine.m_audioCodecId = codecId;
    engine.m_audioBitRate = bitRate;
    engine.m_sampleRate = sampleRate;
    engine.m_channels = channels;
    StoreRelaxed(engine.m_currentTask, -1);
    StoreRelaxed(engine.m_progress, 0);
}

void SetRowTrack(AVConvert& engine, int row, double start, double end, const RowTrack& track) {
    SetRowClip(engine, row, start, end);
    engine.m_rowTracks[static_cast<size_t>(row)] = track;
}
