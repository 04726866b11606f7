#include "tasks/written_length.h"

#include "engine/media_input.h"

#include <algorithm>

// The packets' own time stamps, not the container's duration: a raw stream
// (ADTS AAC, for one) has no duration field, and FFmpeg's estimate from the
// bit rate can be seconds off.
double WrittenSeconds(const std::string& path) {
    InputFormatPtr input;
    if (OpenMediaInput(path, input) != ProbeOk) {
        return -1.0;
    }
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    PacketPtr packet(av_packet_alloc());
    if (audio < 0 || !packet) {
        return -1.0;
    }
    const AVStream* stream = input->streams[audio];
    int64_t first = AV_NOPTS_VALUE;
    int64_t end = AV_NOPTS_VALUE;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == audio && packet->pts != AV_NOPTS_VALUE) {
            first = first == AV_NOPTS_VALUE ? packet->pts : std::min(first, packet->pts);
            end =
                std::max(end == AV_NOPTS_VALUE ? packet->pts : end, packet->pts + packet->duration);
        }
        av_packet_unref(packet.get());
    }
    if (end == AV_NOPTS_VALUE) {
        return 0.0;
    }
    return static_cast<double>(end - first) * av_q2d(stream->time_base);
}
