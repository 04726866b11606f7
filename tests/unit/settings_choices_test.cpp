#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "profiles/settings_choices.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Items = std::vector<std::string>;

const Items kSampleRates = {"Same as source", "44100 Hz", "48000 Hz", "22050 Hz", "32000 Hz"};
const Items kHiResSampleRates = {"Same as source", "44100 Hz", "48000 Hz",  "22050 Hz", "32000 Hz",
                                 "88200 Hz",       "96000 Hz", "176400 Hz", "192000 Hz"};
const Items kBitRates = {"64 kbps",  "96 kbps",  "128 kbps", "160 kbps",
                         "192 kbps", "256 kbps", "320 kbps"};
const Items kMonoStereo = {"Same as source", "1 Channel Mono", "2 Channel Stereo"};
const Items kSurround = {"Same as source", "1 Channel Mono", "2 Channel Stereo", "5.1 Channel"};

TEST(SettingsPresets, TheRowsInCatalogueOrder) {
    struct Row {
        ProfileId id;
        const char* title;
        Items encoders;
        const char* defaultEncoder;
    };
    const Row rows[] = {
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
    ASSERT_EQ(kFormatPresets.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const FormatPreset& preset = kFormatPresets[i];
        EXPECT_EQ(preset.profileId, rows[i].id);
        EXPECT_EQ(preset.bannerTitle, rows[i].title);
        EXPECT_EQ(preset.encoders, rows[i].encoders) << rows[i].title;
        EXPECT_EQ(preset.defaultEncoder, rows[i].defaultEncoder) << rows[i].title;
        EXPECT_EQ(FindFormatPreset(rows[i].id), &preset);
    }
}

TEST(SettingsPresets, EveryCatalogueRowHasAPresetWithItsEncoderAsDefault) {
    for (const OutputFormat& row : kOutputFormats) {
        const FormatPreset* preset = FindFormatPreset(row.profileId);
        ASSERT_NE(preset, nullptr) << row.text;
        EXPECT_EQ(preset->defaultEncoder, row.encoder) << row.text;
        for (const std::string& encoder : preset->encoders) {
            int codec = 0;
            EXPECT_TRUE(LookupEncoderCodec(encoder, codec)) << encoder;
        }
    }
}

TEST(SettingsPresets, IdentifiersWithoutAPresetFindNone) {
    for (ProfileId id : {0, -1, 90112, 90700, 90703}) {
        EXPECT_EQ(FindFormatPreset(id), nullptr) << id;
    }
}

// What the dialog shows when first opened for a format (no remembered
// choice), and what OK at once puts in force.
TEST(SettingsPresets, FirstOpeningShowsThePresetAndTheRuleDefaults) {
    struct Opening {
        ProfileId id;
        Items encoders;
        const char* encoder; // preselected
        Items sampleRates;
        const char* sampleRate; // preselected
        Items channels;
        const char* channel; // preselected
        int32_t okBitRate;
        int32_t okSampleRate;
        int32_t okChannels;
    };
    const Opening openings[] = {
        {90106,
         {"MP3"},
         "MP3",
         kSampleRates,
         "44100 Hz",
         kMonoStereo,
         "2 Channel Stereo",
         192000,
         44100,
         2},
        {90100,
         {"AAC"},
         "AAC",
         kSampleRates,
         "44100 Hz",
         kMonoStereo,
         "2 Channel Stereo",
         192000,
         44100,
         2},
        {90107,
         {"VORBIS"},
         "VORBIS",
         kSampleRates,
         "44100 Hz",
         {"Same as source", "2 Channel Stereo"},
         "2 Channel Stereo",
         192000,
         44100,
         2},
        {90110,
         {"WMA7", "WMA8"},
         "WMA8",
         kSampleRates,
         "44100 Hz",
         kMonoStereo,
         "2 Channel Stereo",
         192000,
         44100,
         2},
        {90101,
         {"AC3"},
         "AC3",
         kSampleRates,
         "44100 Hz",
         kSurround,
         "2 Channel Stereo",
         192000,
         44100,
         2},
        {90109,
         {"PCM_S16LE", "PCM_ALAW", "PCM_MULAW", "PCM_S24LE", "PCM_F32LE"},
         "PCM_S16LE",
         kHiResSampleRates,
         "44100 Hz",
         kMonoStereo,
         "2 Channel Stereo",
         192000,
         44100,
         2},
        {90701,
         {"FLAC"},
         "FLAC",
         kHiResSampleRates,
         "44100 Hz",
         kMonoStereo,
         "2 Channel Stereo",
         192000,
         44100,
         2},
        {90111,
         {"OPUS"},
         "OPUS",
         {"Same as source", "48000 Hz"},
         "48000 Hz",
         kSurround,
         "2 Channel Stereo",
         192000,
         48000,
         2},
        {90702,
         {"ALAC"},
         "ALAC",
         kHiResSampleRates,
         "Same as source",
         kMonoStereo,
         "Same as source",
         192000,
         kSameAsSource,
         kSameAsSource},
    };
    for (const Opening& o : openings) {
        const FormatPreset* preset = FindFormatPreset(o.id);
        ASSERT_NE(preset, nullptr) << o.id;
        EXPECT_EQ(preset->encoders, o.encoders) << o.id;
        EXPECT_EQ(preset->defaultEncoder, o.encoder) << o.id;
        const EncoderChoiceLists lists = EncoderChoices(preset->defaultEncoder);
        EXPECT_EQ(lists.bitRates.items, kBitRates) << o.id;
        EXPECT_EQ(lists.bitRates.SelectedText(), "192 kbps") << o.id;
        EXPECT_EQ(lists.sampleRates.items, o.sampleRates) << o.id;
        EXPECT_EQ(lists.sampleRates.SelectedText(), o.sampleRate) << o.id;
        EXPECT_EQ(lists.channels.items, o.channels) << o.id;
        EXPECT_EQ(lists.channels.SelectedText(), o.channel) << o.id;
        EXPECT_EQ(parseRateText(lists.bitRates.SelectedText()), o.okBitRate) << o.id;
        EXPECT_EQ(parseRateText(lists.sampleRates.SelectedText()), o.okSampleRate) << o.id;
        EXPECT_EQ(ChannelCountOfText(lists.channels.SelectedText()), o.okChannels) << o.id;
    }
}

TEST(SettingsEncoderChoices, ListsFollowTheEncoder) {
    struct Case {
        std::string encoder;
        Items sampleRates;
        int selectedSampleRate;
        Items channels;
        int selectedChannel;
    };
    std::vector<Case> cases = {
        {"AC3", kSampleRates, 1, kSurround, 2},
        {"OPUS", {"Same as source", "48000 Hz"}, 1, kSurround, 2},
        {"VORBIS", kSampleRates, 1, {"Same as source", "2 Channel Stereo"}, 1},
        {"ALAC", kHiResSampleRates, 0, kMonoStereo, 0},
    };
    // The lossless and PCM encoders also offer hi-res rates.
    for (const char* hiRes :
         {"FLAC", "PCM_S16LE", "PCM_S16BE", "PCM_S24LE", "PCM_S24BE", "PCM_F32LE"}) {
        cases.push_back({hiRes, kHiResSampleRates, 1, kMonoStereo, 2});
    }
    // Every other name, known or not, gets the base rates, mono and stereo.
    for (std::string_view name : kEncoderNames) {
        if (std::none_of(cases.begin(), cases.end(),
                         [&](const Case& c) { return c.encoder == name; })) {
            cases.push_back({std::string(name), kSampleRates, 1, kMonoStereo, 2});
        }
    }
    for (const char* other : {"", "ac3", "Vorbis", "opus", "Alac"}) {
        cases.push_back({other, kSampleRates, 1, kMonoStereo, 2});
    }
    for (const Case& c : cases) {
        const EncoderChoiceLists lists = EncoderChoices(c.encoder);
        EXPECT_EQ(lists.sampleRates.items, c.sampleRates) << c.encoder;
        EXPECT_EQ(lists.sampleRates.selected, c.selectedSampleRate) << c.encoder;
        EXPECT_EQ(lists.bitRates.items, kBitRates) << c.encoder;
        EXPECT_EQ(lists.bitRates.selected, 4) << c.encoder;
        EXPECT_EQ(lists.channels.items, c.channels) << c.encoder;
        EXPECT_EQ(lists.channels.selected, c.selectedChannel) << c.encoder;
    }
}

TEST(SettingsEncoderChoices, ItemsAreFoundByTheirValues) {
    const EncoderChoiceLists lists = EncoderChoices("AC3");
    EXPECT_EQ(FindRateChoice(lists.bitRates, 64000), 0);
    EXPECT_EQ(FindRateChoice(lists.bitRates, 320000), 6);
    EXPECT_EQ(FindRateChoice(lists.bitRates, 80000), -1);
    EXPECT_EQ(FindRateChoice(lists.bitRates, 0), -1);
    EXPECT_EQ(FindRateChoice(lists.sampleRates, 32000), 4);
    EXPECT_EQ(FindRateChoice(lists.sampleRates, 8000), -1);
    EXPECT_EQ(FindRateChoice(lists.sampleRates, kSameAsSource), 0);
    EXPECT_EQ(FindChannelChoice(lists.channels, 6), 3);
    EXPECT_EQ(FindChannelChoice(lists.channels, 4), -1);
    EXPECT_EQ(FindChannelChoice(lists.channels, kSameAsSource), 0);
    EXPECT_EQ(FindChannelChoice(EncoderChoices("VORBIS").channels, 1), -1);
}

TEST(SettingsRateText, ReadsKbpsAndHzTexts) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        {"128 kbps", 128000},
        {"192 kbps", 192000},
        {"22050 Hz", 22050},
        {"44100 Hz", 44100},
        {"2 Channel Stereo", 0},
        {"Same as source", kSameAsSource},
        {"", 0},
        {"64.5 kbps", 64500},
        {" kbps", 0},
        {" Hz", 0},
        {"0.0019 kbps", 1},     // 1.9 bit/s, cut toward zero
        {"-64.5 kbps", -64500}, // toward zero, not down
        {"128kbps", 0},         // " kbps" needs its space
        {"128 KBPS", 0},        // and its case
        {"44100 hz", 0},
        {"44100.7 Hz", 44100}, // Hz are read as a whole number
        {"abc Hz", 0},         // no leading digits
        {"  96 kbps", 96000},  // leading blanks are skipped, as atof does
        {"96x kbps", 96000},   // reading stops at the first stray character
        {"96 kbps 44100 Hz", 96000},
        {"5000000 kbps", 0}, // beyond a 32-bit value: unreadable, not wrapped
        {"99999999999 Hz", 0},
        {"inf kbps", 0},
        {"nan kbps", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseRateText(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(SettingsChannelText, OnlyTheListTextsGiveACount) {
    EXPECT_EQ(ChannelCountOfText("Same as source"), kSameAsSource);
    EXPECT_EQ(ChannelCountOfText("1 Channel Mono"), 1);
    EXPECT_EQ(ChannelCountOfText("2 Channel Stereo"), 2);
    EXPECT_EQ(ChannelCountOfText("5.1 Channel"), 6);
    for (const char* other : {"", "2 Channel stereo", "6 Channel stereo", "2", "5.1 Channel "}) {
        EXPECT_EQ(ChannelCountOfText(other), std::nullopt) << '"' << other << '"';
    }
}

TEST(FileInfoFormatting, KbpsAreCutNotRounded) {
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"128000", "128 Kbps"},
        {"127999", "127 Kbps"},
        {"500", "0 Kbps"},
        {"0", "0 Kbps"},
        {"", ""},
        {"1411200", "1411 Kbps"},
        {"999", "0 Kbps"},
        {"64500.9", "64 Kbps"},
        {"-500", "0 Kbps"},
        {"abc", "0 Kbps"},
        {"1e300", "0 Kbps"},
        {"2147483647", "2147483 Kbps"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatKbps(c.text), c.shown) << '"' << c.text << '"';
    }
}

TEST(FileInfoFormatting, ChannelCountsOneTwoAndSixGetWords) {
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"1", "1 Channel Mono"},
        {"2", "2 Channel stereo"},
        {"6", "6 Channel stereo"},
        {"4", "4"},
        {"", ""},
        {"02", "02"},
        {"8", "8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileInfoChannelText(c.text), c.shown) << '"' << c.text << '"';
    }
}

} // namespace
