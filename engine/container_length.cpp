#include "engine/container_length.h"

#include <cstring>
#include <string>

namespace {

struct ContainerLength {
    const char* muxer; // FFmpeg's short name
    // The edit list's duration is in the movie's time scale: at FFmpeg's
    // 1000 per second it rounds the end up to the next millisecond.
    bool sampleTimescale;
    bool editList;        // the priming and the end as an edit list
    bool xingHeader;      // the priming and the padding in the LAME/Xing header
    int startPagePackets; // see StartPagePackets
};

constexpr int kOggStartPagePackets = 1;

constexpr ContainerLength kContainers[] = {
    {"ipod", true, true, false, 0},
    {"mp4", true, true, false, 0},
    {"mov", true, true, false, 0},
    {"mp3", false, false, true, 0},
    {"ogg", false, false, false, kOggStartPagePackets},
    {"oga", false, false, false, kOggStartPagePackets},
    {"opus", false, false, false, kOggStartPagePackets},
};

const ContainerLength* FindContainer(const AVOutputFormat* format) {
    if (!format || !format->name) {
        return nullptr;
    }
    for (const ContainerLength& row : kContainers) {
        if (std::strcmp(format->name, row.muxer) == 0) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

void AddExactLengthOptions(const AVOutputFormat* format, int sampleRate, AVDictionary** options) {
    const ContainerLength* row = FindContainer(format);
    if (!row) {
        return;
    }
    if (row->sampleTimescale && sampleRate > 0) {
        av_dict_set(options, "movie_timescale", std::to_string(sampleRate).c_str(), 0);
    }
    if (row->editList) {
        av_dict_set(options, "use_editlist", "1", 0);
    }
    if (row->xingHeader) {
        av_dict_set(options, "write_xing", "1", 0);
    }
}

int StartPagePackets(const AVOutputFormat* format) {
    const ContainerLength* row = FindContainer(format);
    return row ? row->startPagePackets : 0;
}
