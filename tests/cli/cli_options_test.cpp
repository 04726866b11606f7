#include "cli/cli_options.h"
#include "engine/encoder_check.h"
#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "profiles/settings_choices.h"
#include "tasks/job_count.h"
#include "tasks/output_path.h"

#include <gtest/gtest.h>

namespace {

CliOptions ParseGood(const std::vector<std::string>& args) {
    const CliParseResult result = ParseCommandLine(args);
    EXPECT_TRUE(result.options) << testing::PrintToString(args) << ": " << result.error;
    return result.options.value_or(CliOptions{});
}

int CodecOf(const char* encoderName) {
    int codec = 0;
    EXPECT_TRUE(LookupEncoderCodec(encoderName, codec)) << encoderName;
    return codec;
}

TEST(CliOptions, EachFormatTakesItsCatalogueDefaults) {
    for (int index = 0; index < kOutputFormatCount; ++index) {
        // The name is the extension where no other format shares it.
        const std::string extension = std::string(".") + kOutputFormats[index].name;
        std::string upper = extension;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        OutputParameters expected;
        SelectOutputFormat(expected, index);
        // "mp3", ".MP3" and "--format=mp3" all name the same row.
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"-f", extension.substr(1), "a.wav"},
              {"-f", upper, "a.wav"},
              {"--format=" + extension.substr(1), "a.wav"}}) {
            const CliOptions options = ParseGood(args);
            EXPECT_EQ(options.formatIndex, index) << extension;
            EXPECT_EQ(options.encoderName, expected.audioEncoder) << extension;
            EXPECT_EQ(options.codecId, CodecOf(expected.audioEncoder.c_str())) << extension;
            EXPECT_EQ(options.bitRate, expected.audioBitRate) << extension;
            EXPECT_EQ(options.sampleRate, expected.sampleRate) << extension;
            EXPECT_EQ(options.channels, expected.channels) << extension;
        }
    }
}

TEST(CliOptions, DefaultsAreTheFirstRowAndTheWholeFile) {
    const CliOptions options = ParseGood({"a.wav", "b.mp4"});
    OutputParameters first;
    SelectOutputFormat(first, 0);
    EXPECT_EQ(options.mode, CliMode::Convert);
    EXPECT_EQ(options.formatIndex, 0);
    EXPECT_EQ(options.encoderName, first.audioEncoder);
    EXPECT_EQ(options.bitRate, first.audioBitRate);
    EXPECT_EQ(options.sampleRate, first.sampleRate);
    EXPECT_EQ(options.channels, first.channels);
    EXPECT_EQ(options.startText, "00:00:00");
    EXPECT_FALSE(options.endText);
    EXPECT_EQ(options.outputFolder, ".");
    EXPECT_FALSE(options.verbose);
    EXPECT_EQ(options.files, (std::vector<std::string>{"a.wav", "b.mp4"}));
}

TEST(CliOptions, OverridesReplaceTheFormatDefaults) {
    struct Case {
        std::vector<std::string> args;
        const char* encoder;
        int bitRate;
        int sampleRate;
        int channels;
    };
    const Case cases[] = {
        {{"-f", "mp3", "--bitrate", "96k", "x.wav"}, "MP3", 96000, 44100, 2},
        {{"-f", "mp3", "--bitrate", "96000", "x.wav"}, "MP3", 96000, 44100, 2},
        {{"-f", "mp3", "--bitrate=320K", "x.wav"}, "MP3", 320000, 44100, 2},
        {{"-f", "mp3", "--rate", "22050", "--channels", "1", "x.wav"}, "MP3", 128000, 22050, 1},
        {{"-f", "wav", "--channels", "1", "--rate", "32000", "x.wav"},
         "PCM_S16LE",
         128000,
         32000,
         1},
        {{"-f", "ac3", "--channels", "6", "x.wav"}, "AC3", 192000, 48000, 6},
        {{"-f", "ra", "--channels", "6", "--rate", "32000", "x.wav"}, "AC3", 128000, 32000, 6},
        {{"-f", "wav", "--encoder", "PCM_MULAW", "x.wav"}, "PCM_MULAW", 128000, 44100, 2},
        {{"-f", "au", "--encoder", "PCM_ALAW", "--rate", "22050", "x.wav"},
         "PCM_ALAW",
         192000,
         22050,
         2},
        {{"-f", "wma", "--encoder", "WMA7", "--channels", "1", "x.wav"}, "WMA7", 128000, 44100, 1},
        {{"-f", "flac", "--rate", "48000", "x.wav"}, "FLAC", 128000, 48000, 2},
        {{"-f", "flac", "--rate", "96000", "x.wav"}, "FLAC", 128000, 96000, 2},
        {{"-f", "wav", "--rate", "192000", "--encoder", "PCM_S24LE", "x.wav"},
         "PCM_S24LE",
         128000,
         192000,
         2},
        {{"-f", "opus", "x.wav"}, "OPUS", 128000, 48000, 2},
        {{"-f", "opus", "--channels", "6", "--bitrate", "256k", "x.wav"}, "OPUS", 256000, 48000, 6},
        {{"-f", "alac", "x.wav"}, "ALAC", 128000, kSameAsSource, kSameAsSource},
        {{"-f", "m4a", "x.wav"}, "AAC", 192000, 48000, 2},
        {{"-f", "mp3", "--rate", "source", "--channels", "source", "x.wav"},
         "MP3",
         128000,
         kSameAsSource,
         kSameAsSource},
        {{"-f", "ac3", "--rate=source", "x.wav"}, "AC3", 192000, kSameAsSource, 2},
        // The highest bit rate MPEG-2 audio and Vorbis take at half rates.
        {{"-f", "ogg", "--bitrate", "160k", "--rate", "22050", "x.wav"},
         "VORBIS",
         160000,
         22050,
         2},
        {{"-f", "mp2", "--bitrate", "160k", "--rate", "22050", "x.wav"}, "MP2", 160000, 22050, 2},
        // The last of a repeated option wins.
        {{"--bitrate", "64k", "--bitrate", "160k", "x.wav"}, "AAC", 160000, 48000, 2},
    };
    for (const Case& c : cases) {
        const CliOptions options = ParseGood(c.args);
        const std::string label = testing::PrintToString(c.args);
        EXPECT_EQ(options.encoderName, c.encoder) << label;
        EXPECT_EQ(options.codecId, CodecOf(c.encoder)) << label;
        EXPECT_EQ(options.bitRate, c.bitRate) << label;
        EXPECT_EQ(options.sampleRate, c.sampleRate) << label;
        EXPECT_EQ(options.channels, c.channels) << label;
    }
}

TEST(CliOptions, ReadsClipFolderFlagsAndFiles) {
    const CliOptions options = ParseGood({"--start", "00:00:01", "x.wav", "--end=01:02:03", "-o",
                                          "out/dir", "-v", "--", "-odd.wav", "--help"});
    EXPECT_EQ(options.startText, "00:00:01");
    EXPECT_EQ(options.endText, "01:02:03");
    EXPECT_EQ(options.outputFolder, "out/dir");
    EXPECT_TRUE(options.verbose);
    // After "--" even an option's name is a file.
    EXPECT_EQ(options.files, (std::vector<std::string>{"x.wav", "-odd.wav", "--help"}));
}

TEST(CliOptions, JobsDefaultToTheCoresAndTakeAnyCountUpTo256) {
    EXPECT_EQ(ParseGood({"a.wav"}).jobs, DefaultJobCount());
    EXPECT_GE(DefaultJobCount(), 1);
    EXPECT_EQ(ParseGood({"-j", "1", "a.wav"}).jobs, 1);
    EXPECT_EQ(ParseGood({"--jobs", "16", "a.wav"}).jobs, 16);
    EXPECT_EQ(ParseGood({"--jobs=256", "a.wav"}).jobs, 256);
    EXPECT_TRUE(ParseGood({"a.wav"}).split);
    EXPECT_TRUE(ParseGood({"--split", "auto", "a.wav"}).split);
    EXPECT_FALSE(ParseGood({"--split=off", "a.wav"}).split);
}

TEST(CliOptions, ChoosesProbeAndHelpModes) {
    EXPECT_EQ(ParseGood({"--probe", "a.wav", "b.txt"}).mode, CliMode::Probe);
    EXPECT_EQ(ParseGood({"--probe", "--verbose", "a.wav"}).mode, CliMode::Probe);
    EXPECT_EQ(ParseGood({"--help"}).mode, CliMode::Help);
    EXPECT_EQ(ParseGood({"-f", "xyz", "-h"}).mode, CliMode::Help);
}

TEST(CliOptions, VersionNeedsNoFileAndWinsOverTheRest) {
    EXPECT_EQ(ParseGood({"--version"}).mode, CliMode::Version);
    EXPECT_EQ(ParseGood({"-f", "xyz", "--version", "a.wav"}).mode, CliMode::Version);
    EXPECT_EQ(ParseGood({"--probe", "--version"}).mode, CliMode::Version);
    EXPECT_EQ(ParseGood({"--version", "--help"}).mode, CliMode::Help);
}

TEST(CliOptions, RefusesBadCommandLinesWithOneLineReasons) {
    struct Case {
        std::vector<std::string> args;
        const char* reason; // part of the message
    };
    const Case cases[] = {
        {{}, "missing FILE"},
        {{"-f", "mp3", "-o", "out"}, "missing FILE"},
        {{"--bogus", "a.wav"}, "unknown option '--bogus'"},
        {{"-x", "a.wav"}, "unknown option '-x'"},
        {{"a.wav", "-f"}, "'-f' needs a value"},
        {{"--verbose=yes", "a.wav"}, "takes no value"},
        {{"-f", "xyz", "a.wav"}, "unknown format 'xyz'"},
        {{"-f", "", "a.wav"}, "unknown format"},
        {{"--encoder", "mp3", "a.wav"}, "unknown encoder 'mp3'"},
        {{"--encoder", "Aac", "a.wav"}, "unknown encoder 'Aac'"},
        {{"--bitrate", "12x", "a.wav"}, "bad bit rate"},
        {{"--bitrate", "k", "a.wav"}, "bad bit rate"},
        {{"--bitrate", "0", "a.wav"}, "bad bit rate"},
        {{"--bitrate", "-128k", "a.wav"}, "bad bit rate"},
        {{"--bitrate", "9999999k", "a.wav"}, "bad bit rate"},
        {{"--rate", "44.1k", "a.wav"}, "bad sample rate"},
        {{"--rate", "-44100", "a.wav"}, "bad sample rate"},
        // Only the encoders of the format's preset.
        {{"-f", "mp3", "--encoder", "AC3", "a.wav"}, "the .mp3 format has no AC3 encoder"},
        {{"-f", "m4a", "--encoder", "MP2", "a.wav"}, "the .m4a format has no MP2 encoder"},
        {{"-f", "au", "--encoder", "AAC", "a.wav"},
         "the .au format has no AAC encoder (offered: PCM_S16BE, PCM_ALAW, PCM_MULAW)"},
        {{"-f", "wav", "--encoder", "PCM_S16BE", "a.wav"}, "the .wav format has no PCM_S16BE"},
        {{"--encoder", "FLAC", "a.wav"}, "the .aac format has no FLAC encoder"},
        // Only the values the Settings dialog lists.
        {{"-f", "mp3", "--bitrate", "80k", "a.wav"},
         "a bit rate of 80000 bit/s is not offered for MP3 (offered: 64 kbps, 96 kbps, 128 kbps, "
         "160 kbps, 192 kbps, 256 kbps, 320 kbps)"},
        {{"-f", "wav", "--bitrate", "1411200", "a.wav"}, "a bit rate of 1411200 bit/s"},
        {{"-f", "mp3", "--rate", "96000", "a.wav"},
         "a sample rate of 96000 Hz is not offered for MP3 (offered: Same as source, 44100 Hz, "
         "48000 Hz, 22050 Hz, 32000 Hz)"},
        {{"-f", "wav", "--rate", "8000", "a.wav"}, "a sample rate of 8000 Hz is not offered"},
        {{"-f", "flac", "--rate", "8000", "a.wav"}, "a sample rate of 8000 Hz is not offered"},
        {{"-f", "opus", "--rate", "44100", "a.wav"},
         "a sample rate of 44100 Hz is not offered for OPUS (offered: Same as source, 48000 Hz)"},
        {{"--rate", "Source", "a.wav"}, "bad sample rate 'Source'"},
        {{"--channels", "sources", "a.wav"}, "bad channel count 'sources'"},
        {{"--channels", "3", "a.wav"}, "a channel count of 3 is not offered for AAC"},
        {{"--channels", "two", "a.wav"}, "bad channel count"},
        {{"--channels", "0", "a.wav"}, "bad channel count"},
        {{"-f", "mp2", "--channels", "6", "a.wav"}, "a channel count of 6 is not offered for MP2"},
        {{"-f", "mp3", "--channels", "6", "a.wav"}, "a channel count of 6 is not offered for MP3"},
        {{"-f", "ogg", "--channels", "6", "a.wav"},
         "a channel count of 6 is not offered for VORBIS (offered: Same as source, 2 Channel "
         "Stereo)"},
        {{"-f", "ogg", "--channels", "1", "a.wav"}, "a channel count of 1 is not offered"},
        {{"-f", "wma", "--encoder", "WMA7", "--channels", "6", "a.wav"}, "not offered for WMA7"},
        // Listed values the encoder itself cannot write together.
        {{"-f", "ac3", "--rate", "22050", "a.wav"},
         "The AC3 encoder cannot write 22050 Hz, 2 Channel Stereo at 192 kbps. Please choose "
         "another sample rate, bit rate or channel."},
        {{"-f", "ra", "--rate", "22050", "--channels", "6", "a.wav"},
         "The AC3 encoder cannot write 22050 Hz, 5.1 Channel at 128 kbps."},
        {{"-f", "mp2", "--rate", "22050", "--bitrate", "192000", "--channels", "1", "a.wav"},
         "The MP2 encoder cannot write 22050 Hz, 1 Channel Mono at 192 kbps."},
        {{"-f", "ogg", "--rate", "22050", "--bitrate", "320k", "a.wav"},
         "The VORBIS encoder cannot write 22050 Hz, 2 Channel Stereo at 320 kbps."},
        // Listed values the encoder would quietly write at a lower bit rate.
        {{"-f", "mp3", "--rate", "22050", "--bitrate", "320k", "a.wav"},
         "The MP3 encoder cannot write 22050 Hz, 2 Channel Stereo at 320 kbps. Please choose "
         "another sample rate, bit rate or channel."},
        {{"-f", "m4a", "--rate", "22050", "--channels", "1", "a.wav"},
         "The AAC encoder cannot write 22050 Hz, 1 Channel Mono at 192 kbps."},
        {{"--start", "00:00:05", "--end", "00:00:03", "a.wav"}, "is not after --start"},
        {{"--start", "00:00:05", "--end", "00:00:05", "a.wav"}, "is not after --start"},
        {{"--end", "00:00:00", "a.wav"}, "is not after --start"},
        {{"--start", "5", "a.wav"}, "bad --start time '5'"},
        {{"--end", "00:61:00", "a.wav"}, "bad --end time"},
        {{"--end", "00:00:1x", "a.wav"}, "bad --end time"},
        {{"--start", "-1:00:00", "a.wav"}, "bad --start time"},
        {{"-o", "", "a.wav"}, "needs a folder"},
        {{"--probe", "-f", "mp3", "a.wav"}, "--probe takes no conversion option like '-f'"},
        {{"--probe", "-o", "out", "a.wav"}, "--probe takes no conversion option"},
        {{"-j", "0", "a.wav"}, "option '-j' needs a number of files from 1 to 256, not '0'"},
        {{"--jobs=257", "a.wav"}, "from 1 to 256, not '257'"},
        {{"-j", "two", "a.wav"}, "not 'two'"},
        {{"-j", "-2", "a.wav"}, "not '-2'"},
        {{"a.wav", "-j"}, "'-j' needs a value"},
        {{"--split", "on", "a.wav"}, "option '--split' needs auto or off, not 'on'"},
    };
    for (const Case& c : cases) {
        const CliParseResult result = ParseCommandLine(c.args);
        const std::string label = testing::PrintToString(c.args);
        EXPECT_FALSE(result.options) << label;
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << label << ": " << result.error;
        EXPECT_EQ(result.error.find('\n'), std::string::npos) << label;
    }
}

// The command line takes exactly what the Settings dialog offers: each
// encoder of the format's preset, and each listed bit rate, sample rate and
// channel count, unless the encoder cannot write the combination.
TEST(CliOptions, TakesTheDialogsChoicesThatTheEncoderCanWrite) {
    for (const OutputFormat& row : kOutputFormats) {
        const std::string extension = ExtensionFromFormatText(row.text);
        const FormatPreset* preset = FindFormatPreset(row.profileId);
        ASSERT_NE(preset, nullptr) << row.text;
        for (const std::string& encoder : preset->encoders) {
            const EncoderChoiceLists lists = EncoderChoices(encoder);
            for (const std::string& bitRateText : lists.bitRates.items) {
                for (const std::string& rateText : lists.sampleRates.items) {
                    for (const std::string& channelText : lists.channels.items) {
                        const OutputAudioParams params{
                            CodecOf(encoder.c_str()), parseRateText(bitRateText),
                            parseRateText(rateText), ChannelCountOfText(channelText).value()};
                        // Bit rates in both spellings: "192k" and "192000".
                        const std::string bitRate =
                            params.channels == 2 ? std::to_string(params.bitRate / 1000) + "k"
                                                 : std::to_string(params.bitRate);
                        // "Same as source" in its own word.
                        const auto value = [](int number) {
                            return number == kSameAsSource ? std::string("source")
                                                           : std::to_string(number);
                        };
                        const std::vector<std::string> args = {
                            "-f",         row.name,
                            "--encoder",  encoder,
                            "--bitrate",  bitRate,
                            "--rate",     value(params.sampleRate),
                            "--channels", value(params.channels),
                            "a.wav"};
                        const CliParseResult result = ParseCommandLine(args);
                        const std::string label = testing::PrintToString(args);
                        if (CheckEncoderOpens(params, extension).opens) {
                            ASSERT_TRUE(result.options) << label << ": " << result.error;
                            EXPECT_EQ(result.options->encoderName, encoder);
                            EXPECT_EQ(result.options->bitRate, params.bitRate) << label;
                            EXPECT_EQ(result.options->sampleRate, params.sampleRate) << label;
                            EXPECT_EQ(result.options->channels, params.channels) << label;
                        } else {
                            EXPECT_EQ(result.error, EncoderRefusalMessage(encoder, rateText,
                                                                          channelText, bitRateText))
                                << label;
                        }
                    }
                }
            }
        }
    }
}

TEST(CliOptions, RefusesValuesTheDialogDoesNotList) {
    for (const OutputFormat& row : kOutputFormats) {
        const std::string format = row.name;
        for (const char* bitRate : {"32k", "80000", "112k", "384k", "1411200"}) {
            const CliParseResult result =
                ParseCommandLine({"-f", format, "--bitrate", bitRate, "a"});
            EXPECT_NE(result.error.find("is not offered"), std::string::npos) << result.error;
        }
        // Only the lossless and PCM encoders offer hi-res rates.
        const bool hiRes = EncoderChoices(row.encoder).sampleRates.items.size() > 5;
        for (const char* rate : {"8000", "11025", "16000", "24000", hiRes ? "64000" : "88200",
                                 hiRes ? "1" : "96000"}) {
            const CliParseResult result = ParseCommandLine({"-f", format, "--rate", rate, "a"});
            EXPECT_NE(result.error.find("is not offered"), std::string::npos) << result.error;
        }
        const bool surround =
            std::string(row.encoder) == "AC3" || std::string(row.encoder) == "OPUS";
        for (const char* channels : {"3", "4", "5", "8", surround ? "7" : "6"}) {
            const CliParseResult result =
                ParseCommandLine({"-f", format, "--channels", channels, "a"});
            EXPECT_NE(result.error.find("is not offered"), std::string::npos) << result.error;
        }
    }
}

TEST(CliOptions, RefusalOfAnUnwritableCombinationIsTheDialogsMessageAlone) {
    const CliParseResult result = ParseCommandLine({"-f", "ac3", "--rate", "22050", "a.wav"});
    EXPECT_FALSE(result.options);
    EXPECT_EQ(result.error,
              EncoderRefusalMessage("AC3", "22050 Hz", "2 Channel Stereo", "192 kbps"));
}

TEST(CliOptions, BitRatesInBitsOrKilobits) {
    EXPECT_EQ(ParseBitRate("128000"), 128000);
    EXPECT_EQ(ParseBitRate("128k"), 128000);
    EXPECT_EQ(ParseBitRate("1K"), 1000);
    EXPECT_EQ(ParseBitRate("2147483k"), 2147483000);
    EXPECT_EQ(ParseBitRate("2147484k"), std::nullopt); // past INT_MAX
    EXPECT_EQ(ParseBitRate("128 k"), std::nullopt);
    EXPECT_EQ(ParseBitRate("128kk"), std::nullopt);
    EXPECT_EQ(ParseBitRate(""), std::nullopt);
}

TEST(CliOptions, ClockTexts) {
    for (const char* good : {"00:00:00", "0:0:0", "01:02:03", "100:59:59"}) {
        EXPECT_TRUE(IsClockText(good)) << good;
    }
    for (const char* bad : {"", "10", "00:10", "00:60:00", "00:00:60", "00:000:01", "a:b:c",
                            "00:00:01:02", " 00:00:01", "00:00:+1", "999999:00:00"}) {
        EXPECT_FALSE(IsClockText(bad)) << bad;
    }
}

} // namespace
