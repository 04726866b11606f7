// The twelve output formats and the output parameters in force.
#pragma once

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
    int32_t sampleRate; // Hz
    int32_t channels;
};

inline constexpr int kOutputFormatCount = 12;
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
};

// The process-wide record, at its start values until a format is chosen.
extern OutputParameters OutputSettings;

// Puts a catalogue row's defaults in force; the Settings dialog's memory stays.
// Indices outside the catalogue change nothing.
void SelectOutputFormat(OutputParameters& settings, int index);

// The catalogue index whose extension is `extension` ("mp3" or ".mp3", any
// case), or -1.
int FindOutputFormatByExtension(std::string_view extension);
