// Choices the encoder set-up makes from what an encoder supports.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

// The decoder's sample format when the encoder takes it, else its packed or
// planar twin, else the least lossy format the encoder lists.
AVSampleFormat ChooseEncoderSampleFormat(const AVCodec* encoder, AVSampleFormat decoded);

// The layout for `channels` output channels: the source's own layout when it
// has that many channels and the encoder takes it, else FFmpeg's default
// layout for the count, else any layout of the encoder with that count.
// Returns false when the encoder has no layout with that many channels.
bool ChooseEncoderLayout(const AVCodec* encoder, int channels, const AVChannelLayout& source,
                         AVChannelLayout& chosen);

// True when the encoder lists no sample rates or lists this one.
bool EncoderTakesSampleRate(const AVCodec* encoder, int sampleRate);

// The encoders this system writes with: AAC, AC-3, MP3, MP2, WMA 1 and 2,
// Vorbis, Opus (libopus), FLAC, ALAC, PCM s16le/s16be/s24le/s24be/f32le,
// mu-law and A-law. Null for any other codec or when FFmpeg has no encoder
// for it.
const AVCodec* FindOutputEncoder(int codecId);

// False when the container chosen by a file name's extension is known not to
// hold this codec; true when it does or FFmpeg cannot tell (the header write
// then decides).
bool OutputContainerTakes(const char* fileName, int codecId);
