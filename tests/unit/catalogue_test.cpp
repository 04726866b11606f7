#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "tasks/output_path.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

TEST(Catalogue, StartValuesAreTheAacRow) {
    const OutputParameters settings;
    EXPECT_EQ(settings.profileId, 90100);
    EXPECT_EQ(settings.audioEncoder, "AAC");
    EXPECT_EQ(settings.audioBitRate, 192000);
    EXPECT_EQ(settings.sampleRate, 48000);
    EXPECT_EQ(settings.channels, 2);
    EXPECT_EQ(settings.savedProfileId, 0);
    EXPECT_TRUE(settings.savedAudioEncoderText.empty());
}

TEST(Catalogue, EveryRowHasAnExtensionAndAKnownEncoder) {
    const char* extensions[] = {".aac", ".ac3", ".aiff", ".au",  ".m4a",  ".mp2",  ".mp3",
                                ".ogg", ".ra",  ".wav",  ".wma", ".flac", ".opus", ".m4a"};
    const char* names[] = {"aac", "ac3", "aiff", "au",  "m4a",  "mp2",  "mp3",
                           "ogg", "ra",  "wav",  "wma", "flac", "opus", "alac"};
    ASSERT_EQ(std::size(extensions), static_cast<size_t>(kOutputFormatCount));
    for (int i = 0; i < kOutputFormatCount; ++i) {
        const OutputFormat& row = kOutputFormats[i];
        EXPECT_EQ(ExtensionFromFormatText(row.text), extensions[i]) << row.text;
        EXPECT_STREQ(row.name, names[i]);
        EXPECT_EQ(FindOutputFormatByName(names[i]), i);
        // Two formats write .m4a: the extension finds the first of them.
        const int byExtension = FindOutputFormatByExtension(extensions[i]);
        EXPECT_EQ(byExtension, std::string(extensions[i]) == ".m4a" ? 4 : i);
        int codec = -1;
        EXPECT_TRUE(LookupEncoderCodec(row.encoder, codec)) << row.encoder;
    }
}

TEST(Catalogue, SelectingAFormatReplacesRefinedValuesButKeepsTheDialogMemory) {
    OutputParameters settings;
    settings.savedProfileId = 90106;
    settings.savedAudioEncoderText = "MP3";
    SelectOutputFormat(settings, FindOutputFormatByExtension("mp3"));
    settings.audioBitRate = 320000; // refined in the Settings dialog
    SelectOutputFormat(settings, FindOutputFormatByExtension("ra"));
    EXPECT_EQ(settings.audioEncoder, "AC3"); // the RA row encodes AC-3
    EXPECT_EQ(settings.profileId, 90108);
    SelectOutputFormat(settings, FindOutputFormatByExtension("mp3"));
    EXPECT_EQ(settings.profileId, 90106);
    EXPECT_EQ(settings.audioEncoder, "MP3");
    EXPECT_EQ(settings.audioBitRate, 128000);
    EXPECT_EQ(settings.sampleRate, 44100);
    EXPECT_EQ(settings.channels, 2);
    EXPECT_EQ(settings.savedProfileId, 90106);
    EXPECT_EQ(settings.savedAudioEncoderText, "MP3");
    SelectOutputFormat(settings, kOutputFormatCount); // outside the catalogue: nothing changes
    EXPECT_EQ(settings.profileId, 90106);
}

// The two new formats follow the twelve, which keep their rows.
TEST(Catalogue, OpusAndAlacFollowTheTwelve) {
    const OutputFormat& opus = kOutputFormats[12];
    EXPECT_STREQ(opus.text, "OPUS-Opus Audio(*.opus)");
    EXPECT_EQ(opus.profileId, 90111);
    EXPECT_STREQ(opus.encoder, "OPUS");
    EXPECT_EQ(opus.bitRate, 128000);
    EXPECT_EQ(opus.sampleRate, 48000);
    EXPECT_EQ(opus.channels, 2);
    const OutputFormat& alac = kOutputFormats[13];
    EXPECT_STREQ(alac.text, "ALAC-Apple Lossless Audio(*.m4a)");
    EXPECT_EQ(alac.profileId, 90702);
    EXPECT_STREQ(alac.encoder, "ALAC");
    EXPECT_EQ(alac.sampleRate, kSameAsSource);
    EXPECT_EQ(alac.channels, kSameAsSource);
}

TEST(Catalogue, FindsFormatsByExtensionInAnyCase) {
    EXPECT_EQ(FindOutputFormatByExtension("MP3"), 6);
    EXPECT_EQ(FindOutputFormatByExtension(".Flac"), 11);
    EXPECT_EQ(FindOutputFormatByExtension("mp4"), -1);
    EXPECT_EQ(FindOutputFormatByExtension(""), -1);
    EXPECT_EQ(FindOutputFormatByName(".ALAC"), 13);
    EXPECT_EQ(FindOutputFormatByName("M4a"), 4);
    EXPECT_EQ(FindOutputFormatByName("mp4"), -1);
    EXPECT_EQ(FindOutputFormatByName(""), -1);
}

TEST(EncoderNames, MapExactlyAndLeaveUnknownNamesUnchanged) {
    const std::pair<const char*, int> cases[] = {
        {"AAC", AV_CODEC_ID_AAC},
        {"AC3", AV_CODEC_ID_AC3},
        {"MP3", AV_CODEC_ID_MP3},
        {"MP2", AV_CODEC_ID_MP2},
        {"WMA7", AV_CODEC_ID_WMAV1},
        {"WMA8", AV_CODEC_ID_WMAV2},
        {"VORBIS", AV_CODEC_ID_VORBIS},
        {"FLAC", AV_CODEC_ID_FLAC},
        {"PCM_S16LE", AV_CODEC_ID_PCM_S16LE},
        {"PCM_S16BE", AV_CODEC_ID_PCM_S16BE},
        {"PCM_MULAW", AV_CODEC_ID_PCM_MULAW},
        {"PCM_ALAW", AV_CODEC_ID_PCM_ALAW},
        {"OPUS", AV_CODEC_ID_OPUS},
        {"ALAC", AV_CODEC_ID_ALAC},
        {"PCM_S24LE", AV_CODEC_ID_PCM_S24LE},
        {"PCM_F32LE", AV_CODEC_ID_PCM_F32LE},
        {"PCM_S24BE", AV_CODEC_ID_PCM_S24BE},
    };
    for (const auto& [name, expected] : cases) {
        int codec = -1;
        EXPECT_TRUE(LookupEncoderCodec(name, codec));
        EXPECT_EQ(codec, expected) << name;
    }
    for (const char* unknown : {"mp3", "Mp3", "opus", "", "AAC ", "PCM_S24"}) {
        int codec = 1234;
        EXPECT_FALSE(LookupEncoderCodec(unknown, codec)) << unknown;
        EXPECT_EQ(codec, 1234) << unknown;
    }
}

TEST(OutputPath, ExtensionFromFormatText) {
    const std::pair<const char*, const char*> cases[] = {
        {"MP3-MPEG Layer-3 Audio(*.mp3)", ".mp3"},
        {"a(*.x)(*.flac)", ".flac"}, // the last "*" counts
        {"no star at all", "no star at all"},
        {"star *without close", "star *without close"}, // no ")": the whole text
        {"(*.ogg) trailing", ".ogg"},
    };
    for (const auto& [text, extension] : cases) {
        EXPECT_EQ(ExtensionFromFormatText(text), extension) << text;
    }
}

TEST(OutputPath, BuildsFolderBaseNameAndExtension) {
    std::string path;
    ASSERT_TRUE(BuildOutputPath("/out", "/music/live.set.flac", ".mp3", path));
    EXPECT_EQ(path, "/out/live.set.mp3");
    ASSERT_TRUE(BuildOutputPath("/out", "/music/a.wav", ".ogg", path));
    EXPECT_EQ(path, "/out/a.ogg");
    ASSERT_TRUE(BuildOutputPath("out dir", "relative.wav", ".wav", path));
    EXPECT_EQ(path, "out dir/relative.wav");
    // A backslash is an ordinary character of a Linux file name.
    ASSERT_TRUE(BuildOutputPath("/o", "/m/back\\slash.wav", ".au", path));
    EXPECT_EQ(path, "/o/back\\slash.au");
    // A name without an extension is its own base name, even when a folder
    // has a "."; so is a hidden file's name.
    ASSERT_TRUE(BuildOutputPath("/out", "/music.d/noextension", ".mp3", path));
    EXPECT_EQ(path, "/out/noextension.mp3");
    ASSERT_TRUE(BuildOutputPath("/out", "/music/.hidden", ".mp3", path));
    EXPECT_EQ(path, "/out/.hidden.mp3");
    // Only a path that names no file gives no output path.
    path = "unchanged";
    EXPECT_FALSE(BuildOutputPath("/out", "/music/", ".mp3", path));
    EXPECT_EQ(path, "unchanged");
}

} // namespace
