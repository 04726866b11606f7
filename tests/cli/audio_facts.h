// Two facts of an output file read straight from ffprobe. ProbeAudio leaves
// both empty on FFmpeg 5.1's ffprobe: it meets codec_name before codec_type,
// and 5.1 names a frame's length pkt_duration_time, not duration_time.
#pragma once

#include <string>

namespace veltrano::test {

// ffprobe's codec name of the first audio stream ("mp3", "vorbis"), or "".
std::string FirstAudioCodec(const std::string& path);

// The end of the last decoded frame of the first audio stream, in seconds.
double PlayedSeconds(const std::string& path);

} // namespace veltrano::test
