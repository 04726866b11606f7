// The system's encoder names ("AAC", "PCM_MULAW", ...) and their codecs.
#pragma once

#include <string_view>

// Sets codecId to the FFmpeg codec of an encoder name (exact, case-sensitive)
// and returns true; returns false and leaves codecId unchanged for any other
// name.
bool LookupEncoderCodec(std::string_view encoderName, int& codecId);

// Every encoder name, in the table's order, for help texts.
inline constexpr std::string_view kEncoderNames[] = {
    "AAC",    "AC3",  "MP3",       "MP2",       "WMA7",      "WMA8",
    "VORBIS", "FLAC", "PCM_S16LE", "PCM_S16BE", "PCM_MULAW", "PCM_ALAW",
    "OPUS",   "ALAC", "PCM_S24LE", "PCM_F32LE", "PCM_S24BE",
};
