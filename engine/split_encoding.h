// One long row encoded on several cores. The row's own thread still reads,
// decodes, trims and converts; the samples it would give its encoder are
// cut into chunks at encoder-frame boundaries instead, and each chunk is
// encoded on a thread of its own by an encoder of its own. A chunk's encoder
// starts on samples before the chunk (its warm-up) and runs on past it (its
// run-out), so that around each join it has heard what a single encoder
// would have; the packets of the warm-up and the run-out are dropped. The
// kept packets are written in order into the one output file, which says
// the same length, delay and padding as a one-core conversion.
#pragma once

#include "engine/ffmpeg_ptr.h"

#include <memory>

struct AudioTranscoder;
struct SplitEncoder;

struct SplitEncoderFreer {
    void operator()(SplitEncoder* split) const;
};
using SplitEncoderPtr = std::unique_ptr<SplitEncoder, SplitEncoderFreer>;

// A row is split only when it lasts longer than this: a shorter one is done
// before the extra encoders would pay for their warm-up.
inline constexpr double kSplitMinSeconds = 120.0;

// From this many ways on, a split row's decoder decodes on the encoders'
// cores too (when it can), since the row's own thread would fall behind.
inline constexpr int kThreadedDecodeWays = 4;

// The samples of each chunk but the last: about 20 seconds, fewer when a
// sample of every channel takes many bytes, in whole encoder frames. The
// joins fall at its multiples.
int64_t SplitChunkSamples(int sampleRate, int frameSamples, int bytesPerSample);

// How many chunks this process has encoded on their own encoders so far.
int64_t SplitChunksEncoded();

// Whether chunks of this encoder's output join into one valid, seamless
// stream in this container.
bool SplitsEncoder(AVCodecID encoder, const AVOutputFormat* format);

// Makes the transcoder's encoding go to `ways` chunk encoders at once, from
// the next frame on. Returns 0 or a negative AVERROR; the transcoder is
// unchanged on failure.
int StartSplitEncoding(AudioTranscoder& t, int ways);

// Takes one frame the transcoder would send to its encoder (stamped, gain
// applied). Returns 0 or a negative AVERROR.
int SplitTakeFrame(AudioTranscoder& t, const AVFrame* frame);

// Encodes what is left, waits for every chunk and writes their packets.
// Returns 0 or the first error of any chunk.
int FinishSplitEncoding(AudioTranscoder& t);
