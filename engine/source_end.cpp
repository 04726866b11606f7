#include "engine/source_end.h"

#include <algorithm>

namespace {

// Rounding between the container's microseconds and the stream's time base.
constexpr int64_t kDurationSlackMicros = 10000;

int64_t StreamStart(const AVStream* audio) {
    return audio->start_time == AV_NOPTS_VALUE ? 0 : audio->start_time;
}

// The declared end of the audio stream, or AV_NOPTS_VALUE.
int64_t DeclaredEnd(const SourceReading& reading, const AVFormatContext* input) {
    const AVStream* audio = reading.audio;
    if (audio->duration != AV_NOPTS_VALUE && audio->duration > 0) {
        return StreamStart(audio) + audio->duration;
    }
    if (input->duration != AV_NOPTS_VALUE && input->duration > 0) {
        return StreamStart(audio) + av_rescale_q(input->duration, AV_TIME_BASE_Q, audio->time_base);
    }
    return AV_NOPTS_VALUE;
}

} // namespace

SourceReading FollowSourceReading(const AVFormatContext* input, int audioStream) {
    SourceReading reading;
    if (audioStream >= 0 && static_cast<unsigned>(audioStream) < input->nb_streams) {
        reading.audio = input->streams[audioStream];
    }
    return reading;
}

void NoteAudioPacket(SourceReading& reading, const AVPacket* packet) {
    const int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (start == AV_NOPTS_VALUE) {
        return;
    }
    const int64_t end = start + std::max<int64_t>(packet->duration, 0);
    reading.readEnd = reading.readEnd == AV_NOPTS_VALUE ? end : std::max(reading.readEnd, end);
}

bool ReadWholeDuration(const SourceReading& reading, const AVFormatContext* input) {
    if (!reading.audio || reading.readEnd == AV_NOPTS_VALUE) {
        return false;
    }
    const int64_t end = DeclaredEnd(reading, input);
    if (end == AV_NOPTS_VALUE) {
        return false;
    }
    const int64_t slack =
        av_rescale_q(kDurationSlackMicros, AV_TIME_BASE_Q, reading.audio->time_base);
    return reading.readEnd >= end - slack;
}

int32_t ReadSeconds(const SourceReading& reading) {
    if (!reading.audio || reading.readEnd == AV_NOPTS_VALUE) {
        return 0;
    }
    const int64_t micros = av_rescale_q(reading.readEnd - StreamStart(reading.audio),
                                        reading.audio->time_base, AV_TIME_BASE_Q);
    return static_cast<int32_t>(std::max<int64_t>(micros, 0) / 1000000);
}
