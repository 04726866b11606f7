// ReplayGain 2.0 tags written into a finished output file, each container
// under its own convention, with TagLib. Reference level -18 LUFS; Opus
// keeps its R128 gains relative to -23 LUFS instead.
#pragma once

#include "engine/loudness_meter.h"

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

// How a container keeps the tags; None for the ones that hold none.
enum class GainTagStyle : uint8_t {
    None,
    Id3v2,       // MP3: TXXX frames
    FlacComment, // FLAC: Vorbis comments
    OggVorbis,   // Ogg Vorbis: Vorbis comments
    OggOpus,     // Opus: R128_TRACK_GAIN and R128_ALBUM_GAIN, Q7.8
    Mp4Freeform, // M4A and ALAC: ----:com.apple.iTunes: atoms
    AsfAttribute,
};

// The tag style of an output container with the given audio codec.
GainTagStyle GainTagStyleOf(const AVOutputFormat* format, AVCodecID codec);

struct ReplayGainValues {
    bool hasTrack = false;
    double trackGain = 0; // dB, to bring the track to -18 LUFS
    double trackPeak = 0; // linear
    bool hasAlbum = false;
    double albumGain = 0;
    double albumPeak = 0;
};

// The values for a track and, when `album` has a loudness, its album; a
// track with a gap gets neither.
ReplayGainValues ReplayGainOf(const TrackLoudness& track, const TrackLoudness* album);

// The texts players read: "-6.52 dB", "0.988553", and Opus's "-1669".
std::string GainText(double gain);
std::string PeakText(double peak);
std::string R128GainText(double replayGain);

// Writes the values into the file at `path` (any name: the style says what
// it is). Returns false when the file could not be read or saved.
bool WriteReplayGainTags(const std::string& path, GainTagStyle style,
                         const ReplayGainValues& values);
