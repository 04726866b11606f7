// What each output container needs to be told so that its file says the exact
// length of the sound: how many samples of priming a player skips and where
// the last real sample is.
//
// PCM and FLAC containers count their samples themselves and need nothing.
// The rows here are the containers that carry the count beside the encoded
// frames: an MP3's LAME/Xing header, an MP4 edit list, Ogg granule positions.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

// Adds the muxer options that make the container record the exact length;
// `sampleRate` is the output's.
void AddExactLengthOptions(const AVOutputFormat* format, int sampleRate, AVDictionary** options);

// How many packets the first page of sound holds before a new page is begun,
// 0 for none of its own. FFmpeg's Ogg reader learns the encoder's priming
// from the first page of sound whose granule is not 0, and not at all when
// that page is also the last: it then cuts the priming off the end of the
// sound instead. The first packet, which decodes to nothing, gets a page of
// granule 0 to itself, so the priming is told by the next page even when that
// one ends the stream.
int StartPagePackets(const AVOutputFormat* format);
