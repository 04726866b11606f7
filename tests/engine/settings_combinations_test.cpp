// Every combination the Settings dialog offers, for every encoder of every
// preset: either the encoder check refuses it and a conversion with it fails
// (or, where the encoder quietly lowers the bit rate, writes less than asked),
// or it converts into a file ffprobe reads with that codec, rate and channel
// count. The refused combinations and their reasons are written to the test
// log and to refused.txt in the test's scratch folder.
#include "engine/encoder_check.h"
#include "engine/ffmpeg_ptr.h"
#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "profiles/settings_choices.h"
#include "tasks/output_path.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>

namespace veltrano::test {
namespace {

// ffprobe's name for what each encoder writes.
const std::map<std::string, std::string> kProbedCodec = {
    {"AAC", "aac"},
    {"AC3", "ac3"},
    {"MP2", "mp2"},
    {"MP3", "mp3"},
    {"VORBIS", "vorbis"},
    {"WMA7", "wmav1"},
    {"WMA8", "wmav2"},
    {"FLAC", "flac"},
    {"PCM_S16LE", "pcm_s16le"},
    {"PCM_S16BE", "pcm_s16be"},
    {"PCM_ALAW", "pcm_alaw"},
    {"PCM_MULAW", "pcm_mulaw"},
    {"OPUS", "opus"},
    {"ALAC", "alac"},
    {"PCM_S24LE", "pcm_s24le"},
    {"PCM_F32LE", "pcm_f32le"},
    {"PCM_S24BE", "pcm_s24be"},
};

// What "Same as source" gives for the fixture ConvertOneSecond converts (the
// 48 kHz 5.1 one for 5.1, else the 44.1 kHz stereo one): its own rate and
// channels, but 48 kHz for Opus, which takes no 44.1 kHz.
int WrittenSampleRate(const OutputChoice& output) {
    if (output.sampleRate != kSameAsSource) {
        return output.sampleRate;
    }
    return output.encoder == "OPUS" || output.channels == 6 ? 48000 : 44100;
}

int WrittenChannels(const OutputChoice& output) {
    return output.channels != kSameAsSource ? output.channels : 2;
}

// One encoder of one preset, with the format row that selects the preset.
struct PresetEncoder {
    int formatIndex;
    std::string encoder;
};

std::vector<PresetEncoder> AllPresetEncoders() {
    std::vector<PresetEncoder> all;
    for (int index = 0; index < kOutputFormatCount; ++index) {
        const FormatPreset* preset = FindFormatPreset(kOutputFormats[index].profileId);
        for (const std::string& encoder : preset ? preset->encoders : std::vector<std::string>{}) {
            all.push_back({index, encoder});
        }
    }
    return all;
}

// One combination as the dialog's texts and as the numbers OK puts in force.
struct Combination {
    std::string bitRateText;
    std::string sampleRateText;
    std::string channelText;
    OutputChoice output;
};

std::vector<Combination> OfferedCombinations(const std::string& extension,
                                             const std::string& encoder) {
    const EncoderChoiceLists lists = EncoderChoices(encoder);
    std::vector<Combination> all;
    for (const std::string& bitRate : lists.bitRates.items) {
        for (const std::string& sampleRate : lists.sampleRates.items) {
            for (const std::string& channel : lists.channels.items) {
                const OutputChoice output{extension, encoder, parseRateText(bitRate),
                                          parseRateText(sampleRate),
                                          ChannelCountOfText(channel).value_or(0)};
                all.push_back({bitRate, sampleRate, channel, output});
            }
        }
    }
    return all;
}

OutputAudioParams ParamsOf(const OutputChoice& output) {
    OutputAudioParams params;
    EXPECT_TRUE(LookupEncoderCodec(output.encoder, params.codecId)) << output.encoder;
    params.bitRate = output.bitRate;
    params.sampleRate = output.sampleRate;
    params.channels = output.channels;
    return params;
}

std::string Describe(const Combination& c) {
    return c.output.encoder + " in " + c.output.extension + ": " + c.sampleRateText + ", " +
           c.channelText + ", " + c.bitRateText;
}

// Converts the first second of a fixture with as many channels as asked for
// (a downmix of 5.1 would hide a surround encoder's faults). Returns the
// worker's status; `outputPath` is the file it wrote, if any.
uint8_t ConvertOneSecond(const OutputChoice& output, const std::string& folder,
                         std::string& outputPath) {
    const char* fixture = output.channels == 6 ? "surround48.flac" : "stereo44.wav";
    AVConvert engine;
    RunBatch(engine, {BatchRow{FixturePath(fixture), true, 0, 1}}, output, folder);
    outputPath = engine.m_outputPaths[0];
    return TaskStatusOf(engine, 0);
}

// What FFmpeg's own demuxer and decoder read back from a written file.
struct ReadBack {
    bool ok = false;
    std::string codecName;
    int sampleRate = 0;
    int channels = 0;
    int audioStreams = 0;
    double decodedSeconds = 0;
    int64_t packetBytes = 0; // of the audio stream
    double AverageBitRate() const {
        return decodedSeconds > 0 ? packetBytes * 8 / decodedSeconds : 0;
    }
};

int CountAudioStreams(const AVFormatContext* input) {
    int count = 0;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        count += input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? 1 : 0;
    }
    return count;
}

int64_t DecodeAllSamples(AVFormatContext* input, int streamIndex, AVCodecContext* decoder,
                         int64_t& packetBytes) {
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    int64_t samples = 0;
    const auto receive = [&] {
        while (avcodec_receive_frame(decoder, frame.get()) >= 0) {
            samples += frame->nb_samples;
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input, packet.get()) >= 0) {
        if (packet->stream_index == streamIndex) {
            packetBytes += packet->size;
        }
        if (packet->stream_index == streamIndex &&
            avcodec_send_packet(decoder, packet.get()) >= 0) {
            receive();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder, nullptr);
    receive();
    return samples;
}

// Holds FFmpeg's log at errors only: reading hundreds of short files back
// would fill the test log with decoder notes about their priming samples.
class QuietLog {
public:
    QuietLog() : previous_(av_log_get_level()) { av_log_set_level(AV_LOG_ERROR); }
    ~QuietLog() { av_log_set_level(previous_); }
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;

private:
    int previous_;
};

ReadBack ReadBackAudio(const std::string& path) {
    const QuietLog quiet;
    ReadBack result;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        return result;
    }
    InputFormatPtr input(raw);
    const AVCodec* codec = nullptr;
    const int index = avformat_find_stream_info(raw, nullptr) < 0
                          ? -1
                          : av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0) {
        return result;
    }
    const AVCodecParameters* par = raw->streams[index]->codecpar;
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), par) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        return result;
    }
    result.codecName = avcodec_get_name(par->codec_id);
    result.sampleRate = par->sample_rate;
    result.channels = par->ch_layout.nb_channels;
    result.audioStreams = CountAudioStreams(raw);
    const int64_t samples = DecodeAllSamples(raw, index, decoder.get(), result.packetBytes);
    result.decodedSeconds =
        par->sample_rate > 0 ? static_cast<double>(samples) / par->sample_rate : 0;
    result.ok = true;
    return result;
}

// An encoder that opens but lowers the bit rate lets a row complete; what it
// writes must then show that the asked rate was not kept, which is why the
// check refuses the combination before a batch.
void ExpectNotWrittenAtTheAskedBitRate(uint8_t status, const std::string& outputPath,
                                       int64_t askedBitRate) {
    if (status == TaskFailed) {
        EXPECT_FALSE(FileExists(outputPath)) << "a failed row leaves no file";
        return;
    }
    ASSERT_EQ(status, TaskCompleted);
    const ReadBack read = ReadBackAudio(outputPath);
    ASSERT_TRUE(read.ok) << outputPath;
    EXPECT_LT(read.AverageBitRate(), static_cast<double>(askedBitRate)) << outputPath;
}

std::string TestNameOf(const std::string& text) {
    std::string name;
    for (char c : text) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

// How far a one-second conversion's length may stray. A WMA file also holds
// the frame of priming its decoder drops and the frame that brings out the
// last one: up to three 2048-sample frames at 44.1 kHz.
double LengthSlackSeconds(const std::string& encoder) {
    constexpr double kSlack = 0.1;
    constexpr double kWmaSlack = 3 * 2048 / 44100.0;
    return encoder == "WMA7" || encoder == "WMA8" ? kWmaSlack : kSlack;
}

class SettingsCombinations : public testing::TestWithParam<PresetEncoder> {};

TEST_P(SettingsCombinations, EachOfferedCombinationIsRefusedOrConverts) {
    const PresetEncoder& param = GetParam();
    const std::string extension = ExtensionFromFormatText(kOutputFormats[param.formatIndex].text);
    const std::string scratch = TestNameOf("settings_" + extension + "_" + param.encoder);
    const std::string folder = EngineScratchDir(scratch);
    std::ofstream refusedLog(folder + "/refused.txt");
    const EncoderChoiceLists lists = EncoderChoices(param.encoder);
    for (const Combination& c : OfferedCombinations(extension, param.encoder)) {
        SCOPED_TRACE(Describe(c));
        const EncoderCheck check = CheckEncoderOpens(ParamsOf(c.output), extension);
        std::string outputPath;
        const uint8_t status = ConvertOneSecond(c.output, folder, outputPath);
        if (!check.opens) {
            EXPECT_FALSE(check.reason.empty());
            refusedLog << Describe(c) << " -- " << check.reason << "\n";
            std::cout << "[refused] " << Describe(c) << " -- " << check.reason << "\n";
            if (check.bitRateInUse > 0) {
                ExpectNotWrittenAtTheAskedBitRate(status, outputPath, c.output.bitRate);
                std::remove(outputPath.c_str());
                continue;
            }
            EXPECT_EQ(status, TaskFailed) << "refused, yet converted: " << check.reason;
            EXPECT_FALSE(FileExists(outputPath)) << "a failed row leaves no file";
            continue;
        }
        EXPECT_TRUE(check.reason.empty()) << check.reason;
        ASSERT_EQ(status, TaskCompleted) << "the check let through what does not convert";
        const ReadBack read = ReadBackAudio(outputPath);
        ASSERT_TRUE(read.ok) << outputPath;
        EXPECT_EQ(read.codecName, kProbedCodec.at(param.encoder));
        EXPECT_EQ(read.sampleRate, WrittenSampleRate(c.output));
        EXPECT_EQ(read.channels, WrittenChannels(c.output));
        EXPECT_EQ(read.audioStreams, 1);
        const double slack = LengthSlackSeconds(param.encoder);
        EXPECT_NEAR(read.decodedSeconds, 1.0, slack);
        // ffprobe starts slowly, so it sees the dialog's preselected rates only.
        if (c.bitRateText == lists.bitRates.SelectedText() &&
            c.sampleRateText == lists.sampleRates.SelectedText()) {
            const ProbedAudio probed = ProbeAudio(outputPath);
            ASSERT_TRUE(probed.ok) << outputPath;
            EXPECT_EQ(probed.codecName, kProbedCodec.at(param.encoder));
            EXPECT_EQ(probed.sampleRate, WrittenSampleRate(c.output));
            EXPECT_EQ(probed.channels, WrittenChannels(c.output));
            EXPECT_NEAR(probed.duration, 1.0, slack);
        }
        std::remove(outputPath.c_str());
    }
}

std::string PresetEncoderName(const testing::TestParamInfo<PresetEncoder>& info) {
    return TestNameOf(
        ExtensionFromFormatText(kOutputFormats[info.param.formatIndex].text).substr(1) + "_" +
        info.param.encoder);
}

INSTANTIATE_TEST_SUITE_P(EveryPresetEncoder, SettingsCombinations,
                         testing::ValuesIn(AllPresetEncoders()), PresetEncoderName);

TEST(SettingsDefaults, EveryCatalogueRowOpensWithItsDefaults) {
    for (int index = 0; index < kOutputFormatCount; ++index) {
        const OutputChoice output = CatalogueOutput(index);
        const EncoderCheck check = CheckEncoderOpens(ParamsOf(output), output.extension);
        EXPECT_TRUE(check.opens) << output.extension << ": " << check.reason;
    }
}

// Choosing an encoder in the dialog preselects the rule's items; with them
// OK must never give a combination that cannot be written.
TEST(SettingsDefaults, EveryPresetEncoderOpensWithThePreselectedItems) {
    for (const PresetEncoder& entry : AllPresetEncoders()) {
        const std::string extension =
            ExtensionFromFormatText(kOutputFormats[entry.formatIndex].text);
        const EncoderChoiceLists lists = EncoderChoices(entry.encoder);
        const OutputChoice output{extension, entry.encoder,
                                  parseRateText(lists.bitRates.SelectedText()),
                                  parseRateText(lists.sampleRates.SelectedText()),
                                  ChannelCountOfText(lists.channels.SelectedText()).value_or(0)};
        const EncoderCheck check = CheckEncoderOpens(ParamsOf(output), extension);
        EXPECT_TRUE(check.opens) << entry.encoder << " in " << extension << ": " << check.reason;
    }
}

TEST(EncoderCheck, RefusesWithAReasonThatNamesTheCause) {
    struct Case {
        OutputAudioParams params;
        const char* extension;
        const char* reason; // part of the reason
    };
    int ac3 = 0, aac = 0, mp2 = 0, mp3 = 0, wma = 0;
    ASSERT_TRUE(LookupEncoderCodec("AC3", ac3) && LookupEncoderCodec("AAC", aac) &&
                LookupEncoderCodec("MP2", mp2) && LookupEncoderCodec("MP3", mp3) &&
                LookupEncoderCodec("WMA8", wma));
    const Case cases[] = {
        {{ac3, 192000, 22050, 2}, ".ac3", "takes only"},
        {{ac3, 192000, 22050, 2}, ".ac3", "not 22050"},
        {{wma, 128000, 44100, 6}, ".wma", "cannot write 6 channels"},
        {{aac, 128000, 44100, -1}, ".aac", "cannot write -1 channels"},
        {{mp2, 320000, 22050, 2}, ".mp2", "refuses to open"},
        {{aac, 192000, 48000, 2}, ".au", "a .au file cannot hold aac audio"},
        {{0, 192000, 48000, 2}, ".aac", "FFmpeg has no encoder"},
        {{ac3, 192000, -1, 2}, ".ac3", "not -1"},
        {{mp3, 320000, 22050, 2}, ".mp3", "writes 160000 bit/s at 22050 Hz, not the 320000"},
        {{mp3, 192000, 22050, 1}, ".mp3", "writes 160000 bit/s"},
        {{aac, 320000, 22050, 2}, ".m4a", "writes 264600 bit/s"},
    };
    for (const Case& c : cases) {
        const EncoderCheck check = CheckEncoderOpens(c.params, c.extension);
        EXPECT_FALSE(check.opens) << c.reason;
        EXPECT_NE(check.reason.find(c.reason), std::string::npos) << check.reason;
    }
}

// The bit rate really written is what counts: LAME keeps the asked rate in
// its context while its MPEG-2 frames carry at most 160 kbit/s. PCM and
// lossless encoders have no bit rate to lower.
TEST(EncoderCheck, RefusesABitRateTheEncoderQuietlyLowers) {
    struct Case {
        const char* encoder;
        OutputAudioParams params; // codecId filled from the encoder name
        const char* extension;
        int64_t inUse; // 0: opens at the asked rate
    };
    const Case cases[] = {
        {"MP3", {0, 320000, 22050, 2}, ".mp3", 160000},
        {"MP3", {0, 160000, 22050, 2}, ".mp3", 0},
        {"MP3", {0, 320000, 32000, 2}, ".mp3", 0},
        {"MP3", {0, 320000, 44100, 1}, ".mp3", 0},
        {"AAC", {0, 320000, 22050, 2}, ".aac", 264600},
        {"AAC", {0, 192000, 48000, 2}, ".aac", 0},
        {"AC3", {0, 320000, 48000, 6}, ".ac3", 0},
        {"WMA8", {0, 320000, 22050, 2}, ".wma", 0},
        {"PCM_ALAW", {0, 320000, 22050, 1}, ".wav", 0},
        {"PCM_S16LE", {0, 64000, 48000, 2}, ".wav", 0},
        {"FLAC", {0, 320000, 22050, 1}, ".flac", 0},
    };
    for (Case c : cases) {
        SCOPED_TRACE(std::string(c.encoder) + " " + std::to_string(c.params.sampleRate) + " Hz " +
                     std::to_string(c.params.bitRate) + " bit/s");
        ASSERT_TRUE(LookupEncoderCodec(c.encoder, c.params.codecId));
        const EncoderCheck check = CheckEncoderOpens(c.params, c.extension);
        EXPECT_EQ(check.opens, c.inUse == 0) << check.reason;
        EXPECT_EQ(check.bitRateInUse, c.inUse);
    }
}

TEST(EncoderCheck, TheContainerDecidesOnlyWhatItHolds) {
    int aac = 0;
    ASSERT_TRUE(LookupEncoderCodec("AAC", aac));
    const OutputAudioParams params{aac, 192000, 48000, 2};
    // .m4a wants the codec headers in its own header; both set-ups open.
    EXPECT_TRUE(CheckEncoderOpens(params, ".m4a").opens);
    EXPECT_TRUE(CheckEncoderOpens(params, ".aac").opens);
    EXPECT_TRUE(CheckEncoderOpens(params, "").opens);
}

TEST(EncoderCheck, RefusalMessageNamesTheCombinationInTheDialogsTexts) {
    EXPECT_EQ(EncoderRefusalMessage("AC3", "22050 Hz", "2 Channel Stereo", "192 kbps"),
              "The AC3 encoder cannot write 22050 Hz, 2 Channel Stereo at 192 kbps. Please "
              "choose another sample rate, bit rate or channel.");
}

} // namespace
} // namespace veltrano::test
