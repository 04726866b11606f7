#include "profiles/settings_choices.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>

const std::vector<FormatPreset> kFormatPresets = {
    {90100, "AAC -Advanced Audio Codec(*.aac)", {"AAC"}, "AAC"},
    {90101, "AC3 -Dolby Digital AC-3(*.ac3)", {"AC3"}, "AC3"},
    {90102,
     "AIFF - Audio Interchange File Format(*.aiff)",
     {"PCM_S16BE", "PCM_S24BE"},
     "PCM_S16BE"},
    {90103, "AU - SUN AU Format(*.au)", {"PCM_S16BE", "PCM_ALAW", "PCM_MULAW"}, "PCM_S16BE"},
    {90104, "M4A - MPEG-4 Audio(*.m4a)", {"AAC"}, "AAC"},
    {90105, "MP2 - MPEG Layer-2 Audio(*.MP2)", {"MP2"}, "MP2"},
    {90106, "MP3 - MPEG Layer-3 Audio(*.MP3)", {"MP3"}, "MP3"},
    {90107, "OGG -Ogg Vorbis Audio(*.ogg)", {"VORBIS"}, "VORBIS"},
    {90108, "RA -Real Audio(*.ra)", {"AC3"}, "AC3"},
    {90109,
     "WAV -Waveform Audio(*.wav)",
     {"PCM_S16LE", "PCM_ALAW", "PCM_MULAW", "PCM_S24LE", "PCM_F32LE"},
     "PCM_S16LE"},
    {90110, "WMA -Windows Media Audio(*.wma)", {"WMA7", "WMA8"}, "WMA8"},
    {90701, "FLAC -Free Lossless Audio Codec(*.flac)", {"FLAC"}, "FLAC"},
    {90111, "OPUS -Opus Audio(*.opus)", {"OPUS"}, "OPUS"},
    {90702, "ALAC -Apple Lossless Audio Codec(*.m4a)", {"ALAC"}, "ALAC"},
};

const FormatPreset* FindFormatPreset(ProfileId profileId) {
    for (const FormatPreset& preset : kFormatPresets) {
        if (preset.profileId == profileId) {
            return &preset;
        }
    }
    return nullptr;
}

namespace {

constexpr const char* kSameAsSourceText = "Same as source";
constexpr const char* kMono = "1 Channel Mono";
constexpr const char* kStereo = "2 Channel Stereo";
constexpr const char* kSurround = "5.1 Channel";

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Lossless and PCM encoders keep hi-res sources as they are.
bool TakesHiResRates(std::string_view encoderName) {
    return IsOneOf(encoderName, {"FLAC", "ALAC", "PCM_S16LE", "PCM_S16BE", "PCM_S24LE", "PCM_S24BE",
                                 "PCM_F32LE"});
}

// ALAC is chosen to keep the source as it is; the others keep their lists'
// preselections, "Same as source" being the first item of each list.
ChoiceList SampleRateChoices(std::string_view encoderName) {
    if (encoderName == "OPUS") {
        return {{kSameAsSourceText, "48000 Hz"}, 1};
    }
    ChoiceList list{{kSameAsSourceText, "44100 Hz", "48000 Hz", "22050 Hz", "32000 Hz"}, 1};
    if (TakesHiResRates(encoderName)) {
        list.items.insert(list.items.end(), {"88200 Hz", "96000 Hz", "176400 Hz", "192000 Hz"});
    }
    if (encoderName == "ALAC") {
        list.selected = 0;
    }
    return list;
}

ChoiceList BitRateChoices() {
    return {{"64 kbps", "96 kbps", "128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps"}, 4};
}

ChoiceList ChannelChoices(std::string_view encoderName) {
    if (IsOneOf(encoderName, {"AC3", "OPUS"})) {
        return {{kSameAsSourceText, kMono, kStereo, kSurround}, 2};
    }
    if (encoderName == "VORBIS") {
        return {{kSameAsSourceText, kStereo}, 1};
    }
    if (encoderName == "ALAC") {
        return {{kSameAsSourceText, kMono, kStereo}, 0};
    }
    return {{kSameAsSourceText, kMono, kStereo}, 2};
}

// Reads a number the way the C library's atof does: leading white space and
// a sign are allowed, reading stops at the first character that does not
// fit, and nothing readable gives 0. Unlike atof it ignores the locale, so
// "64.5" keeps its fraction under a desktop locale with a decimal comma.
template <typename Number> Number ReadLeadingNumber(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\n\v\f\r");
    if (first == std::string_view::npos) {
        return 0;
    }
    text.remove_prefix(first);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    Number value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() ? value : 0;
}

// A whole number of the wanted range, or 0 for what does not fit (out of
// range, infinite, not a number).
int32_t CutToInt32(double value) {
    const double cut = std::trunc(value);
    if (!std::isfinite(cut) || cut < std::numeric_limits<int32_t>::min() ||
        cut > std::numeric_limits<int32_t>::max()) {
        return 0;
    }
    return static_cast<int32_t>(cut);
}

} // namespace

EncoderChoiceLists EncoderChoices(std::string_view encoderName) {
    return {SampleRateChoices(encoderName), BitRateChoices(), ChannelChoices(encoderName)};
}

int32_t parseRateText(std::string_view text) {
    if (const size_t kbps = text.find(" kbps"); kbps != std::string_view::npos) {
        return CutToInt32(ReadLeadingNumber<double>(text.substr(0, kbps)) * 1000.0);
    }
    if (const size_t hz = text.find(" Hz"); hz != std::string_view::npos) {
        const long long rate = ReadLeadingNumber<long long>(text.substr(0, hz));
        return CutToInt32(static_cast<double>(rate));
    }
    return 0;
}

std::optional<int32_t> ChannelCountOfText(std::string_view text) {
    if (text == kSameAsSourceText) {
        return kSameAsSource;
    }
    if (text == kMono) {
        return 1;
    }
    if (text == kStereo) {
        return 2;
    }
    if (text == kSurround) {
        return 6;
    }
    return std::nullopt;
}

int FindRateChoice(const ChoiceList& list, int32_t value) {
    for (size_t i = 0; i < list.items.size(); ++i) {
        const bool sameAsSource = list.items[i] == kSameAsSourceText;
        if (sameAsSource ? value == kSameAsSource
                         : value != 0 && parseRateText(list.items[i]) == value) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int FindChannelChoice(const ChoiceList& list, int32_t channels) {
    for (size_t i = 0; i < list.items.size(); ++i) {
        if (ChannelCountOfText(list.items[i]) == channels) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string formatKbps(std::string_view text) {
    if (text.empty()) {
        return "";
    }
    const double kilobits = std::trunc(ReadLeadingNumber<double>(text) / 1000.0);
    // Beyond this a bit/s text is nonsense; it still gets a readable answer.
    constexpr double kLargest = 9.0e15;
    const bool sensible = std::isfinite(kilobits) && std::fabs(kilobits) < kLargest;
    return std::to_string(sensible ? static_cast<long long>(kilobits) : 0LL) + " Kbps";
}

std::string FileInfoChannelText(std::string_view channelsText) {
    if (channelsText == "1") {
        return "1 Channel Mono";
    }
    if (channelsText == "2") {
        return "2 Channel stereo";
    }
    if (channelsText == "6") {
        return "6 Channel stereo";
    }
    return std::string(channelsText);
}
