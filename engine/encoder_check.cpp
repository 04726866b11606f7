#include "engine/encoder_check.h"

#include "engine/sample_format.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

std::string CodecName(int codecId) {
    return avcodec_get_name(static_cast<AVCodecID>(codecId));
}

std::string ErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

std::string ListedSampleRates(const AVCodec* codec) {
    std::string list;
    for (const int* rate = codec->supported_samplerates; rate && *rate; ++rate) {
        list += (list.empty() ? "" : ", ") + std::to_string(*rate);
    }
    return list;
}

bool WritesChannels(const AVCodec* codec, int channels) {
    AVChannelLayout standard{};
    if (channels > 0) {
        av_channel_layout_default(&standard, channels);
    }
    AVChannelLayout chosen{};
    const bool writes = ChooseEncoderLayout(codec, channels, standard, chosen);
    av_channel_layout_uninit(&chosen);
    av_channel_layout_uninit(&standard);
    return writes;
}

// Names the step of the encoder set-up that refused, in the order the set-up
// takes them.
std::string RefusalReason(const OutputAudioParams& params, int error) {
    const AVCodec* codec = FindOutputEncoder(params.codecId);
    const std::string encoder = "the " + CodecName(params.codecId) + " encoder";
    if (!codec) {
        return "FFmpeg has no encoder for " + CodecName(params.codecId);
    }
    if (!EncoderTakesSampleRate(codec, params.sampleRate)) {
        return encoder + " takes only " + ListedSampleRates(codec) + " Hz, not " +
               std::to_string(params.sampleRate);
    }
    if (!WritesChannels(codec, params.channels)) {
        return encoder + " cannot write " + std::to_string(params.channels) + " channels";
    }
    const std::string channels =
        params.channels == 1 ? "1 channel" : std::to_string(params.channels) + " channels";
    return encoder + " refuses to open at " + std::to_string(params.sampleRate) + " Hz, " +
           channels + ", " + std::to_string(params.bitRate) + " bit/s (" + ErrorText(error) + ")";
}

// The source only steers which of the encoder's own sample formats and
// layouts the set-up picks, so any source stands for all; float planes are
// what most decoders give.
EncoderSource CheckedSource(const AVChannelLayout& layout, std::string_view extension) {
    EncoderSource source;
    source.sampleFormat = AV_SAMPLE_FMT_FLTP;
    source.layout = &layout;
    if (!extension.empty()) {
        const std::string name = "x" + std::string(extension);
        const AVOutputFormat* format = av_guess_format(nullptr, name.c_str(), nullptr);
        source.globalHeader = format && (format->flags & AVFMT_GLOBALHEADER);
    }
    return source;
}

} // namespace

EncoderCheck CheckEncoderOpens(const OutputAudioParams& params, std::string_view extension) {
    AVChannelLayout layout{};
    if (params.channels > 0) {
        av_channel_layout_default(&layout, params.channels);
    }
    CodecContextPtr encoder;
    const int opened = OpenAudioEncoder(params, CheckedSource(layout, extension), encoder);
    av_channel_layout_uninit(&layout);
    if (opened < 0) {
        return {false, RefusalReason(params, opened)};
    }
    const std::string fileName = "x" + std::string(extension);
    if (!extension.empty() && !OutputContainerTakes(fileName.c_str(), params.codecId)) {
        return {false, "a " + std::string(extension) + " file cannot hold " +
                           CodecName(params.codecId) + " audio"};
    }
    return {true, ""};
}

std::string EncoderRefusalMessage(std::string_view encoderName, std::string_view sampleRateText,
                                  std::string_view channelText, std::string_view bitRateText) {
    return "The " + std::string(encoderName) + " encoder cannot write " +
           std::string(sampleRateText) + ", " + std::string(channelText) + " at " +
           std::string(bitRateText) + ". Please choose another sample rate, bit rate or channel.";
}
