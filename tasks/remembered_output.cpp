#include "tasks/remembered_output.h"

#include "engine/encoder_check.h"
#include "engine/name_pattern.h"
#include "profiles/encoder_names.h"
#include "profiles/settings_choices.h"
#include "tasks/ini_file.h"
#include "tasks/output_folder.h"
#include "tasks/output_path.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <utility>

namespace {

constexpr const char* kSection = "Info";
constexpr const char* kFormatKey = "Format";
constexpr const char* kEncoderKey = "Encoder";
constexpr const char* kBitRateKey = "BitRate";
constexpr const char* kSampleRateKey = "SampleRate";
constexpr const char* kChannelsKey = "Channels";
constexpr const char* kReplayGainKey = "ReplayGain";
constexpr const char* kNormalizeKey = "Normalize";
constexpr const char* kNormalizeAlbumsKey = "NormalizeAlbums";
constexpr const char* kNamePatternKey = "OutputNames";
constexpr const char* kOnlyNewKey = "OnlyNewAndChanged";

std::optional<int32_t> ReadWholeNumber(const std::string& text) {
    int32_t value = 0;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ec != std::errc() || ptr != last) {
        return std::nullopt;
    }
    return value;
}

// The format's name, its extension where no other format shares it ("mp3"):
// readable and editable by hand, and independent of the catalogue's order.
// "Same as source" is kept as 0, a rate or count no earlier file holds.
std::string FormatName(ProfileId profileId) {
    for (const OutputFormat& format : kOutputFormats) {
        if (format.profileId == profileId) {
            return format.name;
        }
    }
    return "";
}

class RememberedValues {
public:
    explicit RememberedValues(std::string path) : m_path(std::move(path)) {}
    std::string Text(const char* key) const { return ReadIniValue(m_path, kSection, key); }
    std::optional<int32_t> Number(const char* key) const { return ReadWholeNumber(Text(key)); }

private:
    std::string m_path;
};

// Each remembered setting replaces the format's default only where the
// Settings dialog could have chosen it.
OutputParameters RefinedSettings(const RememberedValues& remembered, OutputParameters settings) {
    const FormatPreset* preset = FindFormatPreset(settings.profileId);
    const std::string encoder = remembered.Text(kEncoderKey);
    if (preset != nullptr && std::find(preset->encoders.begin(), preset->encoders.end(), encoder) !=
                                 preset->encoders.end()) {
        settings.audioEncoder = encoder;
    }
    const EncoderChoiceLists lists = EncoderChoices(settings.audioEncoder);
    if (const auto bitRate = remembered.Number(kBitRateKey);
        bitRate && FindRateChoice(lists.bitRates, *bitRate) >= 0) {
        settings.audioBitRate = *bitRate;
    }
    if (const auto sampleRate = remembered.Number(kSampleRateKey);
        sampleRate && FindRateChoice(lists.sampleRates, *sampleRate) >= 0) {
        settings.sampleRate = *sampleRate;
    }
    if (const auto channels = remembered.Number(kChannelsKey);
        channels && FindChannelChoice(lists.channels, *channels) >= 0) {
        settings.channels = *channels;
    }
    return settings;
}

bool EncoderWrites(const OutputParameters& settings, int formatIndex) {
    OutputAudioParams params;
    if (!LookupEncoderCodec(settings.audioEncoder, params.codecId)) {
        return false;
    }
    params.bitRate = settings.audioBitRate;
    params.sampleRate = settings.sampleRate;
    params.channels = settings.channels;
    const std::string extension = ExtensionFromFormatText(kOutputFormats[formatIndex].text);
    return CheckEncoderOpens(params, extension).opens;
}

// Files of earlier versions have none of the keys: loudness stays off.
void LoadLoudness(const RememberedValues& remembered, OutputParameters& settings) {
    settings.writeReplayGain = remembered.Number(kReplayGainKey) == 1;
    const std::optional<int32_t> lufs = remembered.Number(kNormalizeKey);
    const bool offered = lufs && std::find(kNormalizeTargets.begin(), kNormalizeTargets.end(),
                                           *lufs) != kNormalizeTargets.end();
    settings.normalizeLufs = offered ? *lufs : 0;
    settings.normalizeAlbums = remembered.Number(kNormalizeAlbumsKey) == 1;
}

// Files of earlier versions have neither key: today's names, every file
// converted. A pattern edited by hand into one that does not read is dropped.
void LoadOutputNaming(const RememberedValues& remembered, OutputParameters& settings) {
    settings.namePattern = remembered.Text(kNamePatternKey);
    NamePattern unused;
    if (!ParseNamePattern(settings.namePattern, unused).empty()) {
        settings.namePattern.clear();
    }
    settings.onlyNewAndChanged = remembered.Number(kOnlyNewKey) == 1;
}

} // namespace

int LoadOutputChoice(const MainWindowState& state, OutputParameters& settings) {
    SelectOutputFormat(settings, 0);
    if (state.m_iniPath.empty()) {
        return 0;
    }
    const RememberedValues remembered(state.m_iniPath);
    LoadLoudness(remembered, settings);
    LoadOutputNaming(remembered, settings);
    const std::string format = remembered.Text(kFormatKey);
    const int index = format.empty() ? -1 : FindOutputFormatByName(format);
    if (index < 0) {
        return 0;
    }
    SelectOutputFormat(settings, index);
    const OutputParameters refined = RefinedSettings(remembered, settings);
    if (EncoderWrites(refined, index)) {
        settings = refined;
    }
    return index;
}

void SaveOutputChoice(const MainWindowState& state, const OutputParameters& settings) {
    const std::string format = FormatName(settings.profileId);
    if (state.m_iniPath.empty() || format.empty()) {
        return;
    }
    if (state.m_makeIniFolder) {
        MakeFolder(std::filesystem::path(state.m_iniPath).parent_path().string());
    }
    const std::pair<const char*, std::string> values[] = {
        {kFormatKey, format},
        {kEncoderKey, settings.audioEncoder},
        {kBitRateKey, std::to_string(settings.audioBitRate)},
        {kSampleRateKey, std::to_string(settings.sampleRate)},
        {kChannelsKey, std::to_string(settings.channels)},
        {kReplayGainKey, settings.writeReplayGain ? "1" : "0"},
        {kNormalizeKey, std::to_string(settings.normalizeLufs)},
        {kNormalizeAlbumsKey, settings.normalizeAlbums ? "1" : "0"},
        {kNamePatternKey, settings.namePattern},
        {kOnlyNewKey, settings.onlyNewAndChanged ? "1" : "0"},
    };
    for (const auto& [key, value] : values) {
        if (!WriteIniValue(state.m_iniPath, kSection, key, value)) {
            return;
        }
    }
}
