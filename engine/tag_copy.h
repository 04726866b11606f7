// The source's descriptive tags carried into the output.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

// Copies the source's text tags to the output container and its audio
// stream: title, artist, copyright, comment, album, date, track and genre,
// each also found under its older name, and then every other text tag except
// those that describe the source file itself (its encoder, brand, length,
// gapless padding, channel mask, embedded picture). Tags use FFmpeg's common
// names here; each muxer writes them under its container's own names and
// leaves out what its container cannot hold.
void CopySourceTags(const AVFormatContext* input, const AVStream* sourceAudio,
                    AVFormatContext* output, AVStream* outputAudio);
