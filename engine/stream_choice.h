// Which of a file's streams a conversion reads: the last stream of each kind.
// Header only and on libavformat alone, so that the preview library plays
// the very sound track that a conversion of the file will take.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

// Index of the last stream of `type` in the file, -1 when it has none.
inline int ConvertedStreamOfType(const AVFormatContext* input, AVMediaType type) {
    int chosen = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == type) {
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}
