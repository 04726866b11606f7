// The source's cover picture carried into the output, its bytes copied and
// never decoded: as a picture stream where the muxer takes one (the ID3 APIC
// frame of MP3, FLAC's PICTURE block, the covr atom of MP4 and M4A), and as
// a METADATA_BLOCK_PICTURE comment for Ogg, whose muxer takes no picture
// streams. Other outputs get no picture.
#pragma once

#include "engine/ffmpeg_ptr.h"

struct CoverArt {
    const AVStream* source = nullptr; // the source's picture; null: none is carried
    AVStream* output = nullptr;       // the output's picture stream; null for a comment
};

// Call once the output's audio stream exists and before the header is
// written, so that the audio stays the first stream. Returns 0 or a negative
// AVERROR; a source without a usable picture, or an output that cannot hold
// one, is no error.
int AddCoverArt(const AVFormatContext* input, AVFormatContext* output, AVStream* outputAudio,
                CoverArt& cover);

// Writes the picture stream's one packet; call after the header and before
// any sound. Returns 0 or a negative AVERROR.
int WriteCoverArt(AVFormatContext* output, const CoverArt& cover);
