// What the Settings dialog offers for each preset and encoder, and how its
// texts turn into numbers (and numbers into the File information texts).
#pragma once

#include "profiles/output_catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One row of the Settings dialog's preset table.
struct FormatPreset {
    ProfileId profileId;
    std::string bannerTitle;
    std::vector<std::string> encoders; // in list order
    std::string defaultEncoder;
};

// The presets the format combo can select, in catalogue order.
extern const std::vector<FormatPreset> kFormatPresets;

// The preset of a ProfileId, or null for an identifier without one.
const FormatPreset* FindFormatPreset(ProfileId profileId);

// The items of one drop-down list, in order, and the one it preselects.
struct ChoiceList {
    std::vector<std::string> items;
    int selected = -1;
    const std::string& SelectedText() const { return items.at(static_cast<size_t>(selected)); }
};

// The three lists an encoder choice fills.
struct EncoderChoiceLists {
    ChoiceList sampleRates;
    ChoiceList bitRates;
    ChoiceList channels;
};

// The lists the Settings dialog shows for an encoder name.
EncoderChoiceLists EncoderChoices(std::string_view encoderName);

// A rate text as a number: "192 kbps" -> 192000 bit/s (fractions allowed, cut
// toward zero), "44100 Hz" -> 44100; 0 for any other or unreadable text.
int32_t parseRateText(std::string_view text);

// "1 Channel Mono" -> 1, "2 Channel Stereo" -> 2, "5.1 Channel" -> 6, "Same
// as source" -> kSameAsSource (as parseRateText reads it for a rate); nothing
// for any other text (the channel count in force then stays as it is).
std::optional<int32_t> ChannelCountOfText(std::string_view text);

// The index of the item whose rate (parseRateText) or channel count is
// `value` ("Same as source" for kSameAsSource), or -1 when the list offers no
// such item.
int FindRateChoice(const ChoiceList& list, int32_t value);
int FindChannelChoice(const ChoiceList& list, int32_t channels);

// A decimal bit/s text as the File information dialog shows it: "128000" ->
// "128 Kbps", cut rather than rounded; an empty text stays empty.
std::string formatKbps(std::string_view text);

// A decimal channel count text as the File information dialog shows it.
std::string FileInfoChannelText(std::string_view channelsText);
