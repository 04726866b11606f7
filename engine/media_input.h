// Steps shared by the probe and the worker: opening a source, finding its
// streams, opening decoders and reading the facts the task list shows.
#pragma once

#include "engine/av_convert.h"
#include "engine/ffmpeg_ptr.h"

#include <string>

// Opens a local media file and reads its stream information. Only the "file"
// protocol is allowed, for the file itself and anything it refers to, so no
// playlist or crafted file can make us reach a URL. Returns ProbeOk,
// ProbeCannotOpen or ProbeNoStreamInfo.
int OpenMediaInput(const std::string& path, InputFormatPtr& input);

// Sets m_streamCount and the last video and audio stream indices (-1 none).
void FindStreams(const AVFormatContext* input, AVConvert& engine);

// Opens a decoder for a stream. Returns 0, ProbeNoVideoDecoder when FFmpeg has
// no decoder for its codec, ProbeVideoDecoderFailed when it cannot be opened.
// An audio decoder that can decode frames on several threads gets
// `audioThreads` of them (one by default).
int OpenStreamDecoder(const AVStream* stream, CodecContextPtr& decoder, int audioThreads = 1);

// Picture size, codec, bit rate and frame rate of the video stream; zeroes
// (frame rate kept) when there is none.
void ReadVideoFacts(const AVFormatContext* input, const AVCodecContext* videoDecoder,
                    AVConvert& engine);

// Container duration in microseconds and whole seconds; start 0.
void ReadDurationFacts(const AVFormatContext* input, AVConvert& engine);

// FFmpeg's URL for a local path: "file:" keeps a colon in a file name from
// being read as a protocol.
std::string LocalFileUrl(const std::string& path);
