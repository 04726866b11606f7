#include "profiles/output_catalogue.h"

#include <cctype>

const std::array<OutputFormat, kOutputFormatCount> kOutputFormats = {{
    {"AAC-Advanced Audio Coding(*.aac)", 90100, "AAC", 192000, 48000, 2, "aac"},
    {"AC3-Dolby Digital AC-3(*.ac3)", 90101, "AC3", 192000, 48000, 2, "ac3"},
    {"AIFF-Audio interchange file format(*.aiff)", 90102, "PCM_S16BE", 128000, 44100, 2, "aiff"},
    {"SUN AU Format(*.au)", 90103, "PCM_S16BE", 192000, 48000, 2, "au"},
    {"M4A-MPEG-4 Audio(*.m4a)", 90104, "AAC", 192000, 48000, 2, "m4a"},
    {"MP2-MPEG Layer-2 Audio(*.mp2)", 90105, "MP2", 128000, 44100, 2, "mp2"},
    {"MP3-MPEG Layer-3 Audio(*.mp3)", 90106, "MP3", 128000, 44100, 2, "mp3"},
    {"OGG-OGG Vorbis Audio(*.ogg)", 90107, "VORBIS", 128000, 44100, 2, "ogg"},
    {"RA-Real Audio(*.ra)", 90108, "AC3", 128000, 44100, 2, "ra"},
    {"WAV-Waveform Audio(*.wav)", 90109, "PCM_S16LE", 128000, 44100, 2, "wav"},
    {"WMA-Windows Media Audio(*.wma)", 90110, "WMA8", 128000, 44100, 2, "wma"},
    {"FLAC-Free Lossless Audio(*.flac)", 90701, "FLAC", 128000, 44100, 2, "flac"},
    // Opus encodes at 48 kHz whatever the source; ALAC keeps the source as it is.
    {"OPUS-Opus Audio(*.opus)", 90111, "OPUS", 128000, 48000, 2, "opus"},
    {"ALAC-Apple Lossless Audio(*.m4a)", 90702, "ALAC", 128000, kSameAsSource, kSameAsSource,
     "alac"},
}};

OutputParameters OutputSettings;

void SelectOutputFormat(OutputParameters& settings, int index) {
    if (index < 0 || index >= kOutputFormatCount) {
        return;
    }
    const OutputFormat& row = kOutputFormats[index];
    settings.profileId = row.profileId;
    settings.audioEncoder = row.encoder;
    settings.audioBitRate = row.bitRate;
    settings.sampleRate = row.sampleRate;
    settings.channels = row.channels;
}

namespace {

std::string_view CatalogueExtension(std::string_view text) {
    const size_t star = text.rfind('*');
    const size_t close = text.find(')', star);
    return text.substr(star + 1, close - star - 1); // ".mp3"
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view WithoutDot(std::string_view text) {
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
    }
    return text;
}

} // namespace

int FindOutputFormatByExtension(std::string_view extension) {
    extension = WithoutDot(extension);
    for (int i = 0; i < kOutputFormatCount; ++i) {
        if (SameLetters(CatalogueExtension(kOutputFormats[i].text).substr(1), extension)) {
            return i;
        }
    }
    return -1;
}

int FindOutputFormatByName(std::string_view name) {
    name = WithoutDot(name);
    for (int i = 0; i < kOutputFormatCount; ++i) {
        if (SameLetters(kOutputFormats[i].name, name)) {
            return i;
        }
    }
    return -1;
}
