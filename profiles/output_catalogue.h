// The output formats and the output parameters in force.
#pragma once

#include "engine/same_as_source.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using ProfileId = int32_t;

struct OutputFormat {
    const char* text; // combo item text; the extension is between the last "*" and ")"
    ProfileId profileId;
    const char* encoder;
    int32_t bitRate;    // bit/s
    int32_t sampleRate; // Hz, or kSameAsSource
    int32_t channels;   // or kSameAsSource
    // The command line's and the settings file's name of the format: its
    // extension, except where two formats share one.
    const char* name;
};

inline constexpr int kOutputFormatCount = 14;
extern const std::array<OutputFormat, kOutputFormatCount> kOutputFormats;

// The output parameters in force and the Settings dialog's memory.
struct OutputParameters {
    ProfileId profileId = 90100;
    std::string audioEncoder = "AAC";
    int32_t audioBitRate = 192000;
    int32_t sampleRate = 48000;
    int32_t channels = 2;
    ProfileId savedProfileId = 0;
    std::string savedAudioEncoderText;
    // Loudness, whatever the format: ReplayGain tags in the formats that hold
    // tags, and the integrated loudness (LUFS) every output is brought to,
    // 0 for none.
    bool writeReplayGain = false;
    int32_t normalizeLufs = 0;
    // With a target: one gain for each album (the rows of one source folder
    // with the same album tag) rather than for each track.
    bool normalizeAlbums = false;
    // Output names made from the sources' tags ("" keeps each source's own
    // name), and whether a source whose output is newer is left alone.
    std::string namePattern;
    bool onlyNewAndChanged = false;
};

// The loudness targets offered, in LUFS, after "Off".
inline constexpr std::array<int32_t, 4> kNormalizeTargets = {-14, -16, -18, -23};

// The process-wide record, at its start values until a format is chosen.
extern OutputParameters OutputSettings;

// Puts a catalogue row's defaults in force; the Settings dialog's memory stays.
// Indices outside the catalogue change nothing.
void SelectOutputFormat(OutputParameters& settings, int index);

// The catalogue index whose extension is `extension` ("mp3" or ".mp3", any
// case), or -1. Where two formats share an extension, the first of them.
int FindOutputFormatByExtension(std::string_view extension);

// The catalogue index whose name is `name` ("alac", "mp3" or ".mp3", any
// case), or -1.
int FindOutputFormatByName(std::string_view name);
