// FLAC frames encoded by several encoders, joined into one stream: each
// encoder numbers its frames from 0, and each ends with a STREAMINFO of its
// own part. The joined stream numbers its frames on, and its STREAMINFO
// says the whole stream's length, frame sizes and MD5.
#pragma once

#include "engine/ffmpeg_ptr.h"

#include <cstdint>

extern "C" {
#include <libavutil/md5.h>
}

// Gives a fixed-block-size frame the number `frameNumber`, with its header's
// CRC-8 and its frame's CRC-16 computed again. The packet keeps its
// timestamps. Returns 0 or a negative AVERROR (a packet that is no such frame).
int RenumberFlacFrame(AVPacket* packet, int64_t frameNumber);

// What the joined stream's STREAMINFO says, gathered as it is written.
struct FlacStreamTotals {
    struct Md5Freer {
        void operator()(AVMD5* md5) const { av_free(md5); }
    };
    std::unique_ptr<AVMD5, Md5Freer> md5;
    int64_t samples = 0;
    int minFrameBytes = 0;
    int maxFrameBytes = 0;
    int bitsPerSample = 16;
    bool failed = false; // out of memory for the MD5: no STREAMINFO is given
};

// Starts the totals for the encoder's samples. Returns 0 or AVERROR(ENOMEM).
int StartFlacTotals(FlacStreamTotals& totals, const AVCodecContext* encoder);

// Adds one input frame's samples to the MD5, as the FLAC encoder sums them.
void AddFlacSamples(FlacStreamTotals& totals, const AVFrame* frame);

// Counts one written frame's size.
void AddFlacFrame(FlacStreamTotals& totals, int bytes);

// Attaches the whole stream's STREAMINFO, made from the encoder's, to the
// last packet, where the FLAC writer takes it for the file's header.
// Returns 0 or a negative AVERROR.
int AttachFlacStreamInfo(FlacStreamTotals& totals, const AVCodecContext* encoder,
                         AVPacket* lastPacket);
